#pragma once
// IUnknown for a COM object of our own that offers one interface: reference counted, deleted
// with its last reference.

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace vorrindel::automation::com {

template <class Interface>
class ComUnknown : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == __uuidof(Interface)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    ComUnknown() = default;
    virtual ~ComUnknown() = default;

private:
    std::atomic<ULONG> refs_{1};  // the creator's reference
};

}  // namespace vorrindel::automation::com
