// What the shell tests share: an in-memory user configuration and records listed for one test.
#pragma once

#include <gtest/gtest.h>

#include "irc/server_connection.h"
#include "core/window_list.h"
#include "tests/recorders/call_log.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

#include <memory>
#include <vector>

class ShellTest : public testing::Test {
protected:
    void SetUp() override {
        CallLog::Instance().Clear();
        XmlDocumentOpenText(&config_,
                            "<?xml version=\"1.0\" ?><root><Cfg><Options1 /><Colors /></Cfg></root>");
        UserConfigDocument = &config_;
    }
    void TearDown() override {
        for (auto& r : records_) EraseWindowRecord(r.get());
        records_.clear();
        UserConfigDocument = nullptr;
        CallLog::Instance().Clear();
    }
    WindowRecord* Add(uint32_t type, WindowRecord* server, const char* name, HWND window = nullptr) {
        records_.push_back(std::make_unique<WindowRecord>(window, type, server));
        WindowRecord* record = records_.back().get();
        record->Name = name;
        InsertWindowRecord(record);
        return record;
    }
    void SetConfig(const char* section, const char* key, const char* value) {
        XmlWriteProfileString(section, key, value, nullptr, &config_);
    }

    XmlDocument config_;
    std::vector<std::unique_ptr<WindowRecord>> records_;
};
