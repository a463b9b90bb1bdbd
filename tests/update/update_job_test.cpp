// The job the update check builds and the job file format: the fixed layouts pinned byte by byte,
// and files whose layout cannot be trusted refused.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/support/test_files.h"
#include "update/update_check_job.h"
#include "update/update_engine.h"

#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace {

const wchar_t kServer[] = L"https://u.example";

UpdateCheckInputs Inputs(std::vector<std::wstring> plugins = {}) {
    UpdateCheckInputs inputs;
    inputs.Server = kServer;
    inputs.ProgramPath = L"C:\\qv\\qv.exe";
    inputs.ProgramFolder = L"C:\\qv";
    inputs.UserDataFolder = L"C:\\u";
    inputs.PluginNames = std::move(plugins);
    return inputs;
}

void PutU32(std::string& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

void PutText(std::string& bytes, size_t offset, const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[offset + 2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[offset + 2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
}

std::string Bytes(const void* data, size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

std::wstring Text(const wchar_t* field, size_t size) {
    return std::wstring(field, wcsnlen(field, size));
}

std::wstring CombinedQuery() {
    return std::wstring(kServer) +
           L"/hash.php?file1=./qv/updates/x64/qv.exe&file2=./qv/updates/x64/qvlang.dll&file3=./qv/updates/"
           L"x64/"
           L"qvres.dll&file4=./qv/updates/x64/qv.chm&file5=./qv/updates/x64/qx.exe&file6=./qv/updates/x64/"
           L"extras.xml";
}

TEST(UpdateJob, TheCheckJobHasTheFixedLayout) {
    auto job = std::make_unique<UpdateJobBuffer>();
    UpdateCheckInputs inputs = Inputs();
    inputs.CheckOnly = true;
    EXPECT_EQ(0u, BuildUpdateCheckJob(inputs, *job));

    std::string header(kUpdateJobHeaderSize, '\0');
    PutU32(header, 0, 4480);
    PutU32(header, 4, 100);
    PutText(header, 12, L"Brindlex 7");
    PutText(header, 212, L"{6D1B7F4E-3A52-4C8B-9E21-B7C05A9D4F13}");
    PutText(header, 412, L"EN");
    PutU32(header, 432, 6);
    PutU32(header, 2448, 4);
    header[4476] = 1;
    std::string actual = Bytes(&job->Header, sizeof job->Header);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(job->Entries.get()), job->Header.Entries);
    std::memset(actual.data() + 440, 0, 8);
    EXPECT_EQ(header, actual);

    std::string first(kUpdateFileEntrySize, '\0');
    PutU32(first, 0, 12032);
    PutU32(first, 4, 100);
    PutText(first, 12, L"C:\\qv\\qv.exe");
    PutText(first, 2012, std::wstring(kServer) + L"/qv/updates/x64/qv.exe");
    PutText(first, 8012, CombinedQuery());
    PutText(first, 10012, L"Brindlex 7 Executable");
    PutU32(first, 12016, 8);
    EXPECT_EQ(first, Bytes(&job->Entry(0), kUpdateFileEntrySize));

    const wchar_t* names[] = {L"qvlang.dll", L"qvres.dll", L"qv.chm", L"qx.exe", L"extras.xml"};
    const wchar_t* shown[] = {L"English Resources", L"Static Resources", L"Brindlex 7 Help",
                              L"Brindlex 7 File Transfer System", L"Brindlex 7 Extras List"};
    for (int i = 0; i < 5; ++i) {
        const UpdateFileEntry& entry = job->Entry(i + 1);
        EXPECT_EQ(std::wstring(L"C:\\qv\\") + names[i], Text(entry.LocalPath, 1000));
        EXPECT_EQ(std::wstring(kServer) + L"/hash.php?file=./qv/updates/x64/" + names[i],
                  Text(entry.HashSource, 1000));
        EXPECT_EQ(shown[i], Text(entry.DisplayName, 1000));
    }

    inputs.CheckOnly = false;
    BuildUpdateCheckJob(inputs, *job);
    EXPECT_EQ(0u, job->Header.Mode);
}

TEST(UpdateJob, PluginsJoinInLowerCaseAndTheExcessIsRefused) {
    auto job = std::make_unique<UpdateJobBuffer>();
    EXPECT_EQ(0u, BuildUpdateCheckJob(Inputs({L"Speech.DLL", L"My Tools&More.dll"}), *job));
    ASSERT_EQ(8u, job->Header.EntryCount);
    const UpdateFileEntry& speech = job->Entry(6);
    EXPECT_EQ(L"C:\\u\\speech.dll", Text(speech.LocalPath, 1000));
    EXPECT_EQ(std::wstring(kServer) + L"/qv/updates/x64/speech.dll", Text(speech.DownloadUrl, 3000));
    EXPECT_EQ(L"speech.dll", Text(speech.DisplayName, 1000));
    // A name that could break the query or the path travels encoded.
    EXPECT_EQ(std::wstring(kServer) + L"/qv/updates/x64/my%20tools%26more.dll",
              Text(job->Entry(7).DownloadUrl, 3000));
    EXPECT_EQ(CombinedQuery() +
                  L"&file7=./qv/updates/x64/speech.dll&file8=./qv/updates/x64/my%20tools%26more.dll",
              Text(job->Entry(0).HashSource, 1000));

    // The combined query's field fills before the entry block does.
    std::vector<std::wstring> many;
    for (int i = 0; i < 120; ++i) many.push_back(L"plugin" + std::to_wstring(i) + L".dll");
    const uint32_t refused = BuildUpdateCheckJob(Inputs(many), *job);
    EXPECT_EQ(120u, refused + job->Header.EntryCount - 6);
    EXPECT_GT(refused, 0u);
    EXPECT_LT(Text(job->Entry(0).HashSource, 1000).size(), 1000u);
    EXPECT_EQ(0, job->Entry(job->Header.EntryCount).LocalPath[0]);
}

TEST(UpdateJob, JobFilesWithUntrustedLayoutsAreRefused) {
    TestFolder folder(L"updjob");
    auto job = std::make_unique<UpdateJobBuffer>();
    BuildUpdateCheckJob(Inputs(), *job);
    job->Header.VetoCallback = 0x1234;
    auto write = [&](uint32_t count) {
        std::string bytes = Bytes(&job->Header, sizeof job->Header);
        for (uint32_t i = 0; i < count; ++i) bytes += Bytes(&job->Entry(i), kUpdateFileEntrySize);
        WriteFileBytes(folder.File(L"job.bin"), bytes);
    };

    write(6);
    auto read = std::make_unique<UpdateJobBuffer>();
    uint32_t refusal = 99;
    ASSERT_TRUE(ReadUpdateJobFile(folder.File(L"job.bin"), *read, refusal));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(read->Entries.get()), read->Header.Entries);
    EXPECT_EQ(0u, read->Header.VetoCallback) << "an address from a file is never called";
    EXPECT_EQ(0, std::memcmp(&job->Entry(5), &read->Entry(5), kUpdateFileEntrySize));

    struct Case {
        const char* what;
        std::function<void()> spoil;
        uint32_t written;
        uint32_t result;
    };
    const Case cases[] = {
        {"header size 4479", [&] { job->Header.HeaderSize = 4479; }, 6, kUpdateBadHeaderSize},
        {"version 101", [&] { job->Header.Version = 101; }, 6, kUpdateBadVersion},
        {"101 entries", [&] { job->Header.EntryCount = 101; }, 101, kUpdateBadHeaderSize},
        {"fewer records than counted", [] {}, 5, kUpdateBadHeaderSize},
        {"a record of another size", [&] { job->Entry(3).RecordSize = 12000; }, 6, kUpdateBadHeaderSize},
    };
    for (const Case& c : cases) {
        BuildUpdateCheckJob(Inputs(), *job);
        c.spoil();
        write(c.written);
        EXPECT_EQ(c.result, RunUpdateJobFile(folder.File(L"job.bin"))) << c.what;
    }
    EXPECT_EQ(0u, RunUpdateJobFile(folder.File(L"missing.bin")));

    // In memory the same checks come first: nothing is shown, nothing is fetched.
    BuildUpdateCheckJob(Inputs(), *job);
    job->Header.HeaderSize = 4479;
    EXPECT_EQ(kUpdateBadHeaderSize, RunUpdateJob(&job->Header));
    job->Header.HeaderSize = 4480;
    job->Header.Version = 101;
    EXPECT_EQ(kUpdateBadVersion, RunUpdateJob(&job->Header));
}

} // namespace
