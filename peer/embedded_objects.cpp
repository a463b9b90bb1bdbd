#include "peer/embedded_objects.h"

#include "common/app_state.h"
#include "common/frame_messages.h"

#include <ole2.h>
#include <richedit.h>
#include <richole.h>

namespace {

// A data object that holds one bitmap, from which the static picture object is made.
class CImageDataObject : public IDataObject {
public:
    ~CImageDataObject() {
        if (held_) ReleaseStgMedium(&medium_);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDataObject) {
            *out = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    // Lives on its creator's stack: never deletes itself.
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM* medium) override {
        HANDLE copy = OleDuplicateData(medium_.hBitmap, CF_BITMAP, 0);
        if (!copy) return E_HANDLE;
        medium->tymed = TYMED_GDI;
        medium->hBitmap = static_cast<HBITMAP>(copy);
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL) override {
        format_ = *format;
        medium_ = *medium;
        held_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

    FORMATETC& Format() { return format_; }
    // The insert failed: the caller keeps the bitmap.
    void GiveBack() { held_ = false; }

private:
    ULONG references_ = 0;
    STGMEDIUM medium_{};
    FORMATETC format_{};
    bool held_ = false;
};

template <typename T> void ReleaseInterface(T*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

} // namespace

int peer::InsertImageIntoRichEdit(HWND richEdit, HBITMAP bitmap) {
    if (!OnInterfaceThread()) {
        return static_cast<int>(SendMessageW(MainWindow.load(), WM_INSERT_IMAGE,
                                             reinterpret_cast<WPARAM>(richEdit),
                                             reinterpret_cast<LPARAM>(bitmap)));
    }
    if (!bitmap || !IsWindow(richEdit)) return -1;
    IRichEditOle* richOle = nullptr;
    SendMessageW(richEdit, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&richOle));
    if (!richOle) return -1;

    CImageDataObject data;
    FORMATETC format{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    STGMEDIUM medium{};
    medium.tymed = TYMED_GDI;
    medium.hBitmap = bitmap;
    data.SetData(&format, &medium, TRUE);

    IOleClientSite* site = nullptr;
    ILockBytes* bytes = nullptr;
    IStorage* storage = nullptr;
    IOleObject* object = nullptr;
    int result = -1;
    if (SUCCEEDED(richOle->GetClientSite(&site)) &&
        SUCCEEDED(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes)) &&
        SUCCEEDED(StgCreateDocfileOnILockBytes(bytes, STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0,
                                               &storage)) &&
        SUCCEEDED(OleCreateStaticFromData(&data, IID_IOleObject, OLERENDER_FORMAT, &data.Format(), site,
                                          storage, reinterpret_cast<void**>(&object)))) {
        OleSetContainedObject(object, TRUE);
        REOBJECT insert{};
        insert.cbStruct = sizeof insert;
        object->GetUserClassID(&insert.clsid);
        insert.cp = REO_CP_SELECTION;
        insert.dvaspect = DVASPECT_CONTENT;
        insert.poleobj = object;
        insert.polesite = site;
        insert.pstg = storage;
        if (SUCCEEDED(richOle->InsertObject(&insert))) result = 0;
    }
    if (result != 0) data.GiveBack();
    ReleaseInterface(object);
    ReleaseInterface(storage);
    ReleaseInterface(bytes);
    ReleaseInterface(site);
    ReleaseInterface(richOle);
    return result;
}
