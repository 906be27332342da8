// COM initialisation counts and the thread's error information object.
#include "Win32Api.h"
#include "standin/CodePage.h"
#include "standin/ComState.h"
#include "standin/FaultInjection.h"

#include <atomic>
#include <cstring>
#include <cwchar>
#include <string>

bool operator==(const GUID& left, const GUID& right) {
  return left.Data1 == right.Data1 && left.Data2 == right.Data2 && left.Data3 == right.Data3 &&
         std::memcmp(left.Data4, right.Data4, sizeof(left.Data4)) == 0;
}

namespace {

const IID kUnknownInterface = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kErrorInfoInterface = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
const IID kCreateErrorInfoInterface = {0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

std::atomic<long> liveObjects{0};
thread_local int initialisationDepth = 0;

class ErrorInfo final : public ICreateErrorInfo, public IErrorInfo {
public:
  ErrorInfo() { ++liveObjects; }
  ErrorInfo(const ErrorInfo&) = delete;
  ErrorInfo& operator=(const ErrorInfo&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) {
      return E_POINTER;
    }
    if (riid == kErrorInfoInterface) {
      *ppvObject = static_cast<IErrorInfo*>(this);
    } else if (riid == kCreateErrorInfoInterface || riid == kUnknownInterface) {
      *ppvObject = static_cast<ICreateErrorInfo*>(this);
    } else {
      *ppvObject = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --references_;
    if (left == 0) {
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE SetGUID(REFGUID rguid) override {
    guid_ = rguid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR szSource) override { return store(source_, szSource); }
  HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR szDescription) override {
    return store(description_, szDescription);
  }
  HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR szHelpFile) override { return store(helpFile_, szHelpFile); }
  HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD dwHelpContext) override {
    helpContext_ = dwHelpContext;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) override {
    if (pGUID == nullptr) {
      return E_INVALIDARG;
    }
    *pGUID = guid_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSource(BSTR* pBstrSource) override { return give(source_, pBstrSource); }
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* pBstrDescription) override {
    return give(description_, pBstrDescription);
  }
  HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* pBstrHelpFile) override { return give(helpFile_, pBstrHelpFile); }
  HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* pdwHelpContext) override {
    if (pdwHelpContext == nullptr) {
      return E_INVALIDARG;
    }
    *pdwHelpContext = helpContext_;
    return S_OK;
  }

  const std::wstring& description() const { return description_; }

private:
  ~ErrorInfo() { --liveObjects; }

  static HRESULT store(std::wstring& field, LPOLESTR text) {
    field = text == nullptr ? std::wstring() : std::wstring(text);
    return S_OK;
  }
  static HRESULT give(const std::wstring& field, BSTR* out) {
    if (out == nullptr) {
      return E_INVALIDARG;
    }
    *out = SysAllocString(field.c_str());
    return S_OK;
  }

  std::atomic<long> references_{1};
  GUID guid_{};
  std::wstring source_;
  std::wstring description_;
  std::wstring helpFile_;
  DWORD helpContext_ = 0;
};

struct ThreadErrorInfo {
  IErrorInfo* current = nullptr;
  ~ThreadErrorInfo() {
    if (current != nullptr) {
      current->Release();
    }
  }
  void replace(IErrorInfo* next) {
    if (next != nullptr) {
      next->AddRef();
    }
    if (current != nullptr) {
      current->Release();
    }
    current = next;
  }
};

thread_local ThreadErrorInfo threadErrorInfo;

}  // namespace

namespace standin {

int comInitialisationDepth() { return initialisationDepth; }

std::optional<std::string> currentErrorDescription() {
  if (threadErrorInfo.current == nullptr) {
    return std::nullopt;
  }
  BSTR description = nullptr;
  threadErrorInfo.current->GetDescription(&description);
  std::string text = wideToUtf8(description == nullptr ? L"" : description);
  SysFreeString(description);
  return text;
}

void clearErrorInfo() { threadErrorInfo.replace(nullptr); }

long liveErrorInfoObjects() { return liveObjects; }

}  // namespace standin

extern "C" HRESULT WINAPI CoInitialize(LPVOID) { return initialisationDepth++ == 0 ? S_OK : S_FALSE; }

extern "C" void WINAPI CoUninitialize() {
  if (initialisationDepth > 0) {
    --initialisationDepth;
  }
}

extern "C" HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
  if (pperrinfo == nullptr) {
    return E_INVALIDARG;
  }
  *pperrinfo = nullptr;
  if (const auto fault = standin::takeFault("CreateErrorInfo")) {
    return static_cast<HRESULT>(fault->error);
  }
  *pperrinfo = new ErrorInfo();
  return S_OK;
}

extern "C" HRESULT WINAPI SetErrorInfo(ULONG, IErrorInfo* perrinfo) {
  if (const auto fault = standin::takeFault("SetErrorInfo")) {
    return static_cast<HRESULT>(fault->error);
  }
  threadErrorInfo.replace(perrinfo);
  return S_OK;
}

extern "C" HRESULT WINAPI GetErrorInfo(ULONG, IErrorInfo** pperrinfo) {
  if (pperrinfo == nullptr) {
    return E_INVALIDARG;
  }
  *pperrinfo = threadErrorInfo.current;
  threadErrorInfo.current = nullptr;  // ownership passes to the caller
  return *pperrinfo == nullptr ? S_FALSE : S_OK;
}

extern "C" BSTR WINAPI SysAllocString(const OLECHAR* psz) {
  if (psz == nullptr) {
    return nullptr;
  }
  const std::size_t length = std::wcslen(psz);
  auto* copy = new OLECHAR[length + 1];
  std::wmemcpy(copy, psz, length + 1);
  return copy;
}

extern "C" void WINAPI SysFreeString(BSTR bstrString) { delete[] bstrString; }
