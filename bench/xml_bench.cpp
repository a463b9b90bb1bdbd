// Speed of the XML store: loading and saving a 5 MB settings document (beside memcpy of the
// same bytes in the same run), the same document to binary records and back (beside the text
// writer and reader), and profile reads on a section of 1,000 keys.
#include <windows.h>

#include "common/text_compare.h"
#include "xml/xml_binary.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"
#include "xml/xml_writer.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Best of several runs, in seconds.
template <typename F> double Best(int runs, F f) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        double start = Now();
        f();
        double took = Now() - start;
        if (took < best) best = took;
    }
    return best;
}

std::string BuildSettings(size_t targetBytes) {
    XmlDocument d;
    XmlDocumentOpenText(&d, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?><root/>");
    XmlElement* cfg = XmlElementFindChild(d.root, "Cfg", 1);
    unsigned char blob[120];
    for (int i = 0; i < 120; ++i) blob[i] = static_cast<unsigned char>(i * 31);
    for (int section = 0; XmlElementExportText(d.root, 1, 1, 0, d.header).size() < targetBytes; ++section) {
        XmlElement* s = XmlElementFindChild(cfg, ("Section" + std::to_string(section)).c_str(), 1);
        for (int k = 0; k < 40; ++k) {
            XmlVariable* v = XmlElementFindVariable(s, ("Key_" + std::to_string(k)).c_str(), 1);
            XmlVariableSetValue(v,
                                k % 5 == 0 ? "a <quoted> & \"special\" 'value'" : "plain value number 12345");
        }
        XmlElementAddBinaryVariable(s, "Blob", blob, sizeof blob);
        for (int c = 0; c < 10; ++c) {
            XmlElement* script = XmlElementAddNewChild(s, "<Script name=\"s\" enabled=\"1\"/>");
            XmlElementAddCData(script, "if ($nick == \"me\") { /say hello & <welcome> } else { /echo no }");
            XmlElementAddComment(script, " a script ");
        }
    }
    return XmlElementExportText(d.root, 1, 1, 0, d.header);
}

} // namespace

int main() {
    BuildFoldTable();
    std::string text = BuildSettings(5u << 20);
    const double mb = static_cast<double>(text.size()) / (1024.0 * 1024.0);

    std::vector<char> copy(text.size());
    volatile char sink = 0;
    double memcpyTime = Best(20, [&] {
        std::memcpy(copy.data(), text.data(), text.size());
        sink = sink + copy[copy.size() / 2];
    });

    wchar_t tempFolder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, tempFolder);
    std::wstring path = std::wstring(tempFolder) + L"xml_bench_settings.xml";
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);

    // Each load goes into a fresh document; freeing the tree is timed apart. The first load
    // also pays for the heap's growth, so it is shown on its own.
    double coldTime = 0, parseTime = 1e9, loadTime = 1e9, freeTime = 1e9;
    for (int run = 0; run < 10; ++run) {
        XmlDocument* d = new XmlDocument;
        double start = Now();
        XmlDocumentOpenText(d, text.c_str());
        double took = Now() - start;
        if (run == 0) coldTime = took;
        if (took < parseTime) parseTime = took;
        start = Now();
        delete d;
        took = Now() - start;
        if (took < freeTime) freeTime = took;
    }
    XmlDocument* fromFile = nullptr;
    for (int run = 0; run < 10; ++run) {
        delete fromFile;
        fromFile = new XmlDocument;
        double start = Now();
        XmlDocumentOpenFile(fromFile, path.c_str());
        double took = Now() - start;
        if (took < loadTime) loadTime = took;
    }
    XmlDocument& doc = *fromFile;
    std::string out;
    double writeTime = Best(10, [&] { out = XmlElementExportText(doc.root, 1, 1, 0, doc.header); });
    double saveTime = Best(10, [&] { XmlDocumentSave(&doc, nullptr, 1, 0, nullptr); });

    // Binary records of the same tree; rates are in megabytes of the XML text, as above.
    std::vector<uint8_t> record;
    double toBinaryTime = Best(10, [&] { XmlDocumentToRecord(&doc, record); });
    double fromBinaryTime = 1e9;
    for (int run = 0; run < 10; ++run) {
        XmlDocument* d = new XmlDocument;
        double start = Now();
        XmlDocumentFromRecord(d, record.data(), record.size());
        double took = Now() - start;
        if (took < fromBinaryTime) fromBinaryTime = took;
        if (run == 0 && XmlElementExportText(d->root, 1, 1, 0, d->header) != out)
            std::printf("binary MISMATCH\n");
        delete d;
    }
    DeleteFileW(path.c_str());

    // Profile reads: a section of 1,000 keys, keys taken in a scrambled order.
    XmlDocument settings;
    XmlDocumentOpenText(&settings, "<?xml ?><root/>");
    std::vector<std::string> keys;
    for (int k = 0; k < 1000; ++k) {
        keys.push_back("Setting_Key_" + std::to_string(k));
        XmlWriteProfileString("Cfg\\Options1", keys.back().c_str(), ("value " + std::to_string(k)).c_str(),
                              nullptr, &settings);
    }
    const int reads = 2000000;
    char value[100];
    uint64_t total = 0;
    double readTime = Best(3, [&] {
        uint32_t index = 1;
        for (int i = 0; i < reads; ++i) {
            index = (index * 7919u + 13u) % 1000u;
            total += XmlGetProfileString("Cfg\\Options1", keys[index].c_str(), "", value, sizeof value,
                                         nullptr, &settings);
        }
    });

    std::printf("document: %.2f MB (%s bytes)\n", mb, std::to_string(text.size()).c_str());
    std::printf("memcpy:             %8.0f MB/s\n", mb / memcpyTime);
    std::printf("first parse:        %8.1f MB/s (heap still growing)\n", mb / coldTime);
    std::printf("parse from memory:  %8.1f MB/s\n", mb / parseTime);
    std::printf("load from file:     %8.1f MB/s\n", mb / loadTime);
    std::printf("free the tree:      %8.1f MB/s\n", mb / freeTime);
    std::printf("write to memory:    %8.1f MB/s\n", mb / writeTime);
    std::printf("save to file:       %8.1f MB/s (temporary file, flush, replace)\n", mb / saveTime);
    std::printf("to binary records:  %8.1f MB/s (records %.2f MB; text writer above: %.1f MB/s)\n",
                mb / toBinaryTime, static_cast<double>(record.size()) / (1024.0 * 1024.0), mb / writeTime);
    std::printf("from binary records:%8.1f MB/s (text reader above: %.1f MB/s)\n", mb / fromBinaryTime,
                mb / parseTime);
    std::printf("profile reads:      %8.0f per second (1,000-key section; checksum %s)\n", reads / readTime,
                std::to_string(total).c_str());
    delete fromFile;
    return 0;
}
