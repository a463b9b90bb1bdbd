#include "peer/pictures.h"

#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

// The encoder description of GDI+ (ImageCodecInfo).
struct ImageCodecInfo {
    CLSID Clsid;
    GUID FormatID;
    const WCHAR* CodecName;
    const WCHAR* DllName;
    const WCHAR* FormatDescription;
    const WCHAR* FilenameExtension;
    const WCHAR* MimeType;
    DWORD Flags;
    DWORD Version;
    DWORD SigCount;
    DWORD SigSize;
    const BYTE* SigPattern;
    const BYTE* SigMask;
};

// Pictures larger than this are not read into memory.
constexpr long kMaxPictureBytes = 64L * 1024 * 1024;

} // namespace

extern "C" int WINAPI GdipGetImageEncodersSize(UINT* count, UINT* size);
extern "C" int WINAPI GdipGetImageEncoders(UINT count, UINT size, ImageCodecInfo* encoders);
extern "C" int WINAPI GdipCreateBitmapFromHBITMAP(HBITMAP bitmap, HPALETTE palette, void** image);
extern "C" int WINAPI GdipSaveImageToFile(void* image, const WCHAR* path, const CLSID* encoder,
                                          const void* parameters);
extern "C" int WINAPI GdipDisposeImage(void* image);

HBITMAP peer::LoadPictureFile(const std::wstring& path) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return nullptr;
    fseek(file, 0, SEEK_END);
    const long size = ftell(file);
    fseek(file, 0, SEEK_SET);
    HGLOBAL memory =
        size > 0 && size <= kMaxPictureBytes ? GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size) : nullptr;
    const bool read =
        memory && fread(memory, 1, static_cast<size_t>(size), file) == static_cast<size_t>(size);
    fclose(file);
    if (!read) {
        if (memory) GlobalFree(memory);
        return nullptr;
    }
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    HBITMAP copy = nullptr;
    if (SUCCEEDED(OleLoadPicture(stream, size, FALSE, IID_IPicture, reinterpret_cast<void**>(&picture))) &&
        picture) {
        OLE_HANDLE handle = 0;
        SHORT type = PICTYPE_UNINITIALIZED;
        picture->get_Type(&type);
        // The picture's own bitmap goes with the picture: the caller gets a copy of it.
        if (type == PICTYPE_BITMAP && SUCCEEDED(picture->get_Handle(&handle)) && handle)
            copy = static_cast<HBITMAP>(
                CopyImage(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(static_cast<LONG>(handle))),
                          IMAGE_BITMAP, 0, 0, 0));
        picture->Release();
    }
    stream->Release();
    return copy;
}

bool peer::SaveBitmapAsPng(HBITMAP bitmap, const std::wstring& path) {
    CLSID png{};
    if (!bitmap || GetImageEncoderClsid(L"image/png", &png) == ~0u) return false;
    void* image = nullptr;
    if (GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) != 0 || !image) return false;
    const bool saved = GdipSaveImageToFile(image, path.c_str(), &png, nullptr) == 0;
    GdipDisposeImage(image);
    return saved;
}

unsigned peer::GetImageEncoderClsid(const wchar_t* mimeType, CLSID* clsid) {
    UINT count = 0, size = 0;
    if (!mimeType || GdipGetImageEncodersSize(&count, &size) != 0 || count == 0 ||
        size < count * sizeof(ImageCodecInfo))
        return ~0u;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, size, encoders) != 0) return ~0u;
    for (UINT i = 0; i < count; ++i) {
        if (encoders[i].MimeType && wcscmp(encoders[i].MimeType, mimeType) == 0) {
            if (clsid) *clsid = encoders[i].Clsid;
            return i;
        }
    }
    return ~0u;
}
