// The bar's accessible object: the system's standard object for a window,
// with the role, name and value of a progress bar in place of its own.
#include <windows.h>
#include <oleacc.h>

#include <cstdlib>
#include <new>

#include "frame/resource_ids.h"
#include "frame/system_libraries.h"
#include "payload/progress_accessible.h"

namespace {

class ProgressAccessible : public IAccessible, public IOleWindow {
public:
    ProgressAccessible(HWND bar, IAccessible* standard, int (*percent)())
        : bar_(bar), standard_(standard), percent_(percent)
    {
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID id, void** out) override
    {
        if (id == IID_IUnknown || id == IID_IDispatch || id == IID_IAccessible)
            *out = static_cast<IAccessible*>(this);
        else if (id == IID_IOleWindow)
            *out = static_cast<IOleWindow*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            standard_->Release();
            std::free(this);  // made by malloc: the program links no throwing new
        }
        return ULONG(left);
    }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* window) override
    {
        *window = bar_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDispatch: assistive technology calls IAccessible directly.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible: the bar's own name, role and value; the rest is the
    // standard object's.
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override
    {
        if (!IsSelf(child))
            return standard_->get_accName(child, name);
        char title[128] = "";
        GetDlgItemTextA(GetParent(bar_), IDC_PAGE_TITLE, title, sizeof title);
        return Text(title, name);
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!IsSelf(child))
            return standard_->get_accRole(child, role);
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_PROGRESSBAR;
        return S_OK;
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override
    {
        if (!IsSelf(child))
            return standard_->get_accValue(child, value);
        char text[8];
        wsprintfA(text, "%d%%", percent_());
        return Text(text, value);
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override
    {
        HRESULT result = standard_->get_accState(child, state);
        if (SUCCEEDED(result) && IsSelf(child) && state->vt == VT_I4)
            state->lVal = (state->lVal & ~STATE_SYSTEM_FOCUSABLE) | STATE_SYSTEM_READONLY;
        return result;
    }
    STDMETHODIMP get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    STDMETHODIMP get_accChildCount(long* count) override { return standard_->get_accChildCount(count); }
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override { return standard_->get_accChild(child, out); }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* text) override
    {
        return standard_->get_accDescription(child, text);
    }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* text) override { return standard_->get_accHelp(child, text); }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* text) override
    {
        return standard_->get_accKeyboardShortcut(child, text);
    }
    STDMETHODIMP get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    STDMETHODIMP get_accSelection(VARIANT* children) override { return standard_->get_accSelection(children); }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* text) override
    {
        return standard_->get_accDefaultAction(child, text);
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override { return standard_->accSelect(flags, child); }
    STDMETHODIMP accLocation(long* x, long* y, long* width, long* height, VARIANT child) override
    {
        return standard_->accLocation(x, y, width, height, child);
    }
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        return standard_->accNavigate(direction, start, end);
    }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override { return standard_->accHitTest(x, y, child); }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override { return standard_->accDoDefaultAction(child); }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    static bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

    static HRESULT Text(const char* text, BSTR* out)
    {
        WCHAR wide[128];
        int length = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 128);
        *out = length > 0 ? SystemLibraries::AllocString(wide) : nullptr;
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    LONG references_ = 1;
    HWND bar_;
    IAccessible* standard_;
    int (*percent_)();
};

}  // namespace

LRESULT ProgressAccessibleResult(HWND bar, WPARAM flags, int (*percent)())
{
    IAccessible* standard = nullptr;
    if (FAILED(SystemLibraries::CreateStdAccessible(bar, OBJID_CLIENT, IID_IAccessible,
                                                    reinterpret_cast<void**>(&standard))) ||
        !standard)
        return 0;
    void* memory = std::malloc(sizeof(ProgressAccessible));
    if (!memory) {
        standard->Release();
        return 0;
    }
    ProgressAccessible* object = new (memory) ProgressAccessible(bar, standard, percent);
    LRESULT result = SystemLibraries::ResultFromObject(IID_IAccessible, flags, static_cast<IAccessible*>(object));
    object->Release();
    return result > 0 ? result : 0;
}
