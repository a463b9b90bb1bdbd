// A sharer and a viewer of the program's own sharing layer, joined through the stand-in, with
// a session on each side when the test wants the session windows.
#pragma once

#include <gtest/gtest.h>

#include "assist/assist_handshake.h"
#include "assist/assist_session.h"
#include "assist/sharing_object.h"
#include "tests/assist/standin_sharing.h"
#include "tests/support/test_files.h"

#include <memory>
#include <string>

// Waits, pumping this thread's messages, with a generous limit.
template <typename Condition> bool PumpFor(Condition condition, DWORD timeoutMs = 20000) {
    return StandInSharing::PumpUntil(condition, timeoutMs);
}

class SharingPair : public testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        standIn = std::make_unique<StandInSharing>();
        sharer = SharingObject::CreateSharer();
        viewer = SharingObject::CreateViewer(nullptr);
        ASSERT_TRUE(sharer->GetInterface() && viewer->GetInterface());
        for (const wchar_t* name : {L"chat", L"file", L"data"}) {
            ASSERT_TRUE(sharer->AddChannel(name, true, 0));
            ASSERT_TRUE(viewer->AddChannel(name, true, 0));
        }
        ASSERT_TRUE(sharer->Open());
        invitation = sharer->CreateInvitation(nullptr, kAssistPassword, L"group", 1);
        ASSERT_TRUE(invitation);
    }
    void TearDown() override {
        viewer.reset();
        sharer.reset();
        standIn.reset();
        CoUninitialize();
    }
    // Connects the viewer as the author does and waits for the sharer to see the attendee.
    void ConnectViewer() {
        ASSERT_TRUE(viewer->Connect(invitation->ConnectionString.c_str(), L"Author", kAssistPassword));
        ASSERT_TRUE(PumpFor([&] { return sharer->Attendees().size() == 1; }));
    }

    std::unique_ptr<StandInSharing> standIn;
    std::unique_ptr<SharingObject> sharer;
    std::unique_ptr<SharingObject> viewer;
    InvitationRecord* invitation = nullptr;
};

// Both sides run the session's handlers; received files go to a folder of each side's own.
class SessionPair : public SharingPair {
protected:
    void SetUp() override {
        SharingPair::SetUp();
        user.Sharer = sharer.get();
        user.ReceiveFolder = userFolder.Path();
        author.Viewer = viewer.get();
        author.ReceiveFolder = authorFolder.Path();
        AttachSessionHandlers(user, *sharer);
        AttachSessionHandlers(author, *viewer);
        ConnectViewer();
    }
    void TearDown() override {
        EndSessionWork(user);
        EndSessionWork(author);
        SharingPair::TearDown();
    }

    TestFolder userFolder{L"assist-user"};
    TestFolder authorFolder{L"assist-author"};
    AssistSession user;
    AssistSession author;
};
