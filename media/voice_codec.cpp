// Installing the voice codec that the resource library carries, once.
#include "media/voice_chat.h"

#include "common/data_folders.h"
#include "common/folder_probe.h"
#include "common/replacing_file.h"
#include "common/shell_helpers.h"
#include "core/resource_library.h"
#include "core/settings.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <shellapi.h>

#include <vector>

namespace {

bool WriteResource(const wchar_t* name, const std::wstring& path) {
    std::vector<uint8_t> bytes;
    return ExtractResource(bytes, name, ResourceModule.load(), L"DATA") && !bytes.empty() &&
           WriteFileReplacing(path, bytes.data(), bytes.size());
}

} // namespace

bool media::InstallSpeexCodec() {
    const std::wstring codec = ProgramFolder + L"\\speexw.acm";
    const std::wstring setup = ProgramFolder + L"\\speexw.inf";
    if (!WriteResource(L"SPX1", codec) || !WriteResource(L"SPX2", setup)) return false;
    const HINSTANCE result = ShellExecuteW(nullptr, L"Install", setup.c_str(), nullptr, nullptr, SW_HIDE);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void media::InstallVoiceCodecOnce() {
    if (Settings::VoiceCodecInstalled()) return;
    if (!IsFolderWritable(ProgramFolder)) return;
    // Without the codec's files (this build carries none) nothing is installed and the mark stays
    // 0, so voice falls back to the codec the system has.
    if (InstallSpeexCodec())
        XmlWriteProfileInt(Settings::Keys::VoiceCodecInstalled.Section,
                           Settings::Keys::VoiceCodecInstalled.Key, 1, nullptr, UserConfigDocument);
}
