// Sending a file, or the clipboard as a file, over the sharing objects' "file" channels.
#include "assist/assist_session.h"

#include "common/data_folders.h"
#include "common/shell_helpers.h"
#include "common/window_helpers.h"

#include <gdiplus.h>
#include <process.h>

#include <cstring>

namespace {

struct FileSend {
    AssistSession* Session;
    std::wstring Path;
};

// Sends the header and the file on one object's "file" channel; false when the channel's slot
// is taken (a file is sent or received on it).
bool SendOverObject(SharingObject& object, const std::vector<uint8_t>& header, const std::wstring& path) {
    ChannelRecord* channel = object.FindChannel(L"file");
    if (!channel) return true;
    {
        std::lock_guard<std::mutex> lock(object.ChannelLock);
        if (channel->Sending || channel->Receiving) return false;
        channel->Sending = true;
    }
    object.Send(channel, header.data(), static_cast<uint32_t>(header.size()), false, nullptr);
    object.SendFile(channel, path.c_str(), nullptr, [] { return TransferStatus.load(); });
    std::lock_guard<std::mutex> lock(object.ChannelLock);
    channel->Sending = false;
    return true;
}

std::wstring TemporaryFolder() {
    if (!TempFolder.empty()) return TempFolder;
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    std::wstring folder(path, length);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

// A new temporary file named like "txt1A2B.tmp.txt"; the generated name and any older file of
// the longer name are deleted first.
std::wstring NewTemporaryFile(const wchar_t* prefix, const wchar_t* extension) {
    wchar_t generated[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(TemporaryFolder().c_str(), prefix, 0, generated)) return {};
    DeleteFileW(generated);
    std::wstring path = std::wstring(generated) + extension;
    DeleteFileW(path.c_str());
    return path;
}

// Unicode text of the clipboard, no longer than its memory block holds (the text may come from
// the remote side and need not be terminated).
bool SaveClipboardText(std::wstring& file) {
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (!text) return false;
    const size_t length = wcsnlen(text, GlobalSize(data) / sizeof(wchar_t));
    file = NewTemporaryFile(L"txt", L".txt");
    HANDLE out = file.empty()
                     ? INVALID_HANDLE_VALUE
                     : CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(length * sizeof(wchar_t));
    const bool saved =
        out != INVALID_HANDLE_VALUE && WriteFile(out, text, size, &written, nullptr) && written == size;
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    GlobalUnlock(data);
    return saved;
}

bool FindJpegEncoder(CLSID& encoder) {
    UINT count = 0;
    UINT bytes = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
    std::vector<uint8_t> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/jpeg") == 0) {
            encoder = codecs[i].Clsid;
            return true;
        }
    return false;
}

bool SaveClipboardBitmap(std::wstring& file) {
    auto bitmapHandle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!bitmapHandle) return false;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    bool saved = false;
    {
        Gdiplus::Bitmap bitmap(bitmapHandle, nullptr);
        CLSID encoder{};
        file = NewTemporaryFile(L"jpg", L".jpg");
        saved = !file.empty() && bitmap.GetLastStatus() == Gdiplus::Ok && FindJpegEncoder(encoder) &&
                bitmap.Save(file.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

} // namespace

std::vector<uint8_t> BuildFileHeader(const std::wstring& path, uint64_t size) {
    std::vector<uint8_t> header(kFileHeaderSize, 0);
    // The receiver uses only the name after the last backslash, so a long path keeps its end.
    const std::wstring kept =
        path.size() > kFileHeaderPathChars ? path.substr(path.size() - kFileHeaderPathChars) : path;
    std::memcpy(header.data(), kept.data(), kept.size() * sizeof(wchar_t));
    for (int i = 0; i < 8; ++i) header[kFileHeaderPathBytes + i] = static_cast<uint8_t>(size >> (8 * i));
    return header;
}

unsigned __stdcall SendFileThread(void* argument) {
    std::unique_ptr<FileSend> send(static_cast<FileSend*>(argument));
    try {
        const std::vector<uint8_t> header =
            BuildFileHeader(send->Path, GetFileSizeByName(send->Path.c_str()));
        TransferStatus = S_OK;
        for (SharingObject* object : {send->Session->Sharer, send->Session->Viewer})
            if (object && !SendOverObject(*object, header, send->Path)) break;
    } catch (...) {
    }
    return 0;
}

bool StartFileSend(AssistSession& session) {
    auto* send = new FileSend{&session, session.FilePath};
    if (session.Threads.Start(SendFileThread, send)) return true;
    delete send;
    return false;
}

void SendClipboard(AssistSession& session) {
    constexpr wchar_t kNoData[] = L"No clipboard data available.";
    if (!OpenClipboardPatiently(session.SessionDialogWindow)) {
        MessageBoxW(session.SessionDialogWindow, kNoData, L"Message", MB_ICONINFORMATION);
        return;
    }
    std::wstring file;
    const bool saved = SaveClipboardText(file) || SaveClipboardBitmap(file);
    CloseClipboard();
    if (!saved) {
        if (!file.empty()) DeleteFileW(file.c_str());
        MessageBoxW(session.SessionDialogWindow, kNoData, L"Message", MB_ICONINFORMATION);
        return;
    }
    session.FilePath = file;
    StartFileSend(session);
}
