// The part of COM that DeskSetup uses: per-thread initialisation and the
// thread's error information object, with the documented interfaces.
#pragma once

#include "Win32Types.h"

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
  ~IUnknown() = default;
};

struct IErrorInfo : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSource(BSTR* pBstrSource) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDescription(BSTR* pBstrDescription) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* pBstrHelpFile) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* pdwHelpContext) = 0;

protected:
  ~IErrorInfo() = default;
};

struct ICreateErrorInfo : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetGUID(REFGUID rguid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR szSource) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR szDescription) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR szHelpFile) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD dwHelpContext) = 0;

protected:
  ~ICreateErrorInfo() = default;
};

extern "C" {

HRESULT WINAPI CoInitialize(LPVOID pvReserved);
void WINAPI CoUninitialize();
HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo);
HRESULT WINAPI SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
HRESULT WINAPI GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);
BSTR WINAPI SysAllocString(const OLECHAR* psz);
void WINAPI SysFreeString(BSTR bstrString);
}
