// The class factory and the property-sheet object of the server, with the
// sheet and page records that the control panel builds its sheet from.
#include "propsheet.h"

#include <cstring>
#include <new>

#include "keycapture.h"  // RegisterTestButtonClass
#include "pageengine.h"  // g_PageEngine.ReadLayoutEntry
#include "pageprocs.h"

namespace {

// The six pages in page order: dialog template, procedure, title key in
// section "PageTitle" of Setup.ini.
struct PageEntry {
  WORD wTemplate;
  DLGPROC pfnProc;
  const char* pszTitleKey;
};

const PageEntry kPages[kSheetPageCount] = {
    {118, TestPageProc, "Title1"},     {123, KeyMapPageProc, "Title2"}, {120, KeyboardPageProc, "Title3"},
    {121, PowerPageProc, "Title4"},    {124, CheckPageProc, "Title5"},  {125, AboutPageProc, "Title6"},
};

// The sheet's small icon, an icon resource of the module named by text.
WCHAR s_wszSheetIcon[] = QJ_W("IDI_WINFLAG");

// Locks taken with LockServer(TRUE) and not yet given back; each one is also
// counted in g_cObjects.
volatile LONG s_cServerLocks = 0;

// Takes one from *pCount unless it is already 0; whether it did.
bool DecrementIfPositive(volatile LONG* pCount) {
  LONG lSeen = *pCount;
  while (lSeen > 0) {
    const LONG lBefore = InterlockedCompareExchange(pCount, lSeen - 1, lSeen);
    if (lBefore == lSeen) return true;
    lSeen = lBefore;
  }
  return false;
}

// The 16-bit count at which a sheet's count stays.
constexpr SHORT kPinnedCount = static_cast<SHORT>(0xFFFF);

ULONG WidenCount(SHORT sCount) { return static_cast<ULONG>(static_cast<LONG>(sCount)); }

}  // namespace

// ---------------------------------------------------------------- factory

PropSheetFactory::PropSheetFactory() : m_cRef(0) {
  AddRef();
  InterlockedIncrement(&g_cObjects);
}

PropSheetFactory::~PropSheetFactory() { InterlockedDecrement(&g_cObjects); }

STDMETHODIMP PropSheetFactory::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == NULL) return E_POINTER;
  *ppv = NULL;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
  *ppv = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) PropSheetFactory::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

STDMETHODIMP_(ULONG) PropSheetFactory::Release() {
  const LONG lCount = InterlockedDecrement(&m_cRef);
  if (lCount != 0) return static_cast<ULONG>(lCount);
  delete this;
  return 0;
}

STDMETHODIMP PropSheetFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
  if (ppv == NULL) return E_POINTER;
  *ppv = NULL;
  if (pUnkOuter != NULL) return CLASS_E_NOAGGREGATION;
  PropSheet* pSheet = new (std::nothrow) PropSheet;
  if (pSheet == NULL) return E_OUTOFMEMORY;
  HRESULT hr = pSheet->PreparePages();
  if (SUCCEEDED(hr)) hr = pSheet->QueryInterface(riid, ppv);
  // Hands the constructor's reference over to the caller's QueryInterface
  // reference, or destroys the object when there is none.
  pSheet->Release();
  return hr;
}

STDMETHODIMP PropSheetFactory::LockServer(BOOL fLock) {
  if (fLock) {
    InterlockedIncrement(&s_cServerLocks);
    InterlockedIncrement(&g_cObjects);
  } else if (DecrementIfPositive(&s_cServerLocks)) {
    InterlockedDecrement(&g_cObjects);
  }
  return S_OK;
}

// ---------------------------------------------------------------- sheet

PropSheet::PropSheet()
    : m_sRefCount(0),
      m_wJoystickId(0xFFFF),
      m_SheetInfo(),
      m_pPageInfo(NULL),
      m_pDevice(NULL),
      m_pJoyConfig(NULL),
      m_pwszCaption(NULL),
      m_pwszTitle() {
  AddRef();
  InterlockedIncrement(&g_cObjects);
  RegisterTestButtonClass();  // a repeated registration fails, which is fine
  // Empty titles: a page whose Setup.ini entry is missing keeps one.
  for (WCHAR*& pwszTitle : m_pwszTitle) pwszTitle = new (std::nothrow) WCHAR[kPageTitleSize]();
}

PropSheet::~PropSheet() {
  if (m_pPageInfo != NULL) LocalFree(m_pPageInfo);
  if (m_pwszCaption != NULL) LocalFree(m_pwszCaption);
  if (m_pDevice != NULL) {
    m_pDevice->Unacquire();
    m_pDevice->Release();
    m_pDevice = NULL;
  }
  if (m_pJoyConfig != NULL) {
    m_pJoyConfig->Unacquire();
    m_pJoyConfig->Release();
    m_pJoyConfig = NULL;
  }
  for (WCHAR*& pwszTitle : m_pwszTitle) {
    delete[] pwszTitle;
    pwszTitle = NULL;
  }
  InterlockedDecrement(&g_cObjects);
}

SHORT PropSheet::ChangeCount(SHORT nDelta) {
  SHORT sSeen = __atomic_load_n(&m_sRefCount, __ATOMIC_RELAXED);
  for (;;) {
    if (sSeen == kPinnedCount) return sSeen;
    const SHORT sNew = static_cast<SHORT>(static_cast<USHORT>(sSeen) + static_cast<USHORT>(nDelta));
    if (__atomic_compare_exchange_n(&m_sRefCount, &sSeen, sNew, false, __ATOMIC_ACQ_REL, __ATOMIC_RELAXED))
      return sNew;
  }
}

STDMETHODIMP PropSheet::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == NULL) return E_POINTER;
  *ppv = NULL;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDIGameCntrlPropSheet)) return E_NOINTERFACE;
  *ppv = static_cast<IDIGameCntrlPropSheet*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) PropSheet::AddRef() { return WidenCount(ChangeCount(1)); }

STDMETHODIMP_(ULONG) PropSheet::Release() {
  const SHORT sCount = ChangeCount(-1);
  if (sCount != 0) return WidenCount(sCount);
  delete this;
  return 0;
}

STDMETHODIMP PropSheet::GetSheetInfo(LPDIGCSHEETINFO* ppSheetInfo) {
  if (ppSheetInfo == NULL) return E_POINTER;
  *ppSheetInfo = &m_SheetInfo;
  return S_OK;
}

STDMETHODIMP PropSheet::GetPageInfo(LPDIGCPAGEINFO* ppPageInfo) {
  if (ppPageInfo == NULL) return E_POINTER;
  *ppPageInfo = m_pPageInfo;
  return S_OK;
}

STDMETHODIMP PropSheet::SetID(USHORT nID) {
  m_wJoystickId = nID;
  return S_OK;
}

STDMETHODIMP_(USHORT) PropSheet::GetID() { return m_wJoystickId; }

HRESULT STDMETHODCALLTYPE PropSheet::PreparePages() {
  // A second call reuses the buffers, so records handed out before stay
  // where they are.
  if (m_pPageInfo == NULL) {
    m_pPageInfo = static_cast<DIGCPAGEINFO*>(LocalAlloc(LMEM_ZEROINIT, kSheetPageCount * sizeof(DIGCPAGEINFO)));
    if (m_pPageInfo == NULL) return E_OUTOFMEMORY;
  }
  if (m_pwszCaption == NULL) {
    m_pwszCaption = static_cast<WCHAR*>(LocalAlloc(LMEM_ZEROINIT, kSheetCaptionSize * sizeof(WCHAR)));
    if (m_pwszCaption == NULL) return E_OUTOFMEMORY;
  }
  for (WCHAR* pwszTitle : m_pwszTitle)
    if (pwszTitle == NULL) return E_OUTOFMEMORY;
  std::memset(m_pPageInfo, 0, kSheetPageCount * sizeof(DIGCPAGEINFO));
  std::memset(m_pwszCaption, 0, kSheetCaptionSize * sizeof(WCHAR));

  for (int i = 0; i < kSheetPageCount; ++i) {
    DIGCPAGEINFO& page = m_pPageInfo[i];
    page.dwSize = sizeof(DIGCPAGEINFO);
    page.fProcFromHInst = FALSE;
    page.lpwszProcName = NULL;
    page.fIconFromHInst = TRUE;
    page.lpwszPageIcon = MAKEINTRESOURCEW(IDI_PAGE);
    page.hInstance = g_hInstance;
    page.lParam = reinterpret_cast<LPARAM>(this);
    page.fpPageProc = kPages[i].pfnProc;
    page.lpwszTemplate = MAKEINTRESOURCEW(kPages[i].wTemplate);
    page.lpwszPageTitle = m_pwszTitle[i];

    // Each page starts from an empty text, which a missing or malformed
    // entry leaves as it is.
    char szTitle[kPageTitleSize] = "";
    RECT rc;
    g_PageEngine.ReadLayoutEntry("PageTitle", kPages[i].pszTitleKey, &rc, szTitle);
    WCHAR* pwszTitle = m_pwszTitle[i];
    if (MultiByteToWideChar(CP_ACP, 0, szTitle, -1, pwszTitle, kPageTitleSize) == 0) pwszTitle[0] = 0;
    pwszTitle[kPageTitleSize - 1] = 0;
  }

  m_SheetInfo.dwSize = sizeof(DIGCSHEETINFO);
  m_SheetInfo.nNumPages = kSheetPageCount;
  m_SheetInfo.lpwszSheetCaption = m_pwszCaption;
  m_SheetInfo.fSheetIconFlag = TRUE;
  m_SheetInfo.lpwszSheetIcon = s_wszSheetIcon;

  // The zero-filled buffer supplies the terminating NUL.
  char szCaption[kSheetCaptionSize] = "";
  const int cchCaption = LoadStringA(g_hInstance, IDS_SHEET_CAPTION, szCaption, kSheetCaptionSize);
  if (cchCaption > 0)
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, szCaption, cchCaption, m_pwszCaption, kSheetCaptionSize - 1);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropSheet::PutDevice(IDirectInputDevice2* pDevice) {
  m_pDevice = pDevice;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropSheet::FetchDevice(IDirectInputDevice2** ppDevice) {
  if (ppDevice == NULL) return E_POINTER;
  *ppDevice = m_pDevice;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropSheet::PutJoyConfig(IDirectInputJoyConfig* pJoyConfig) {
  m_pJoyConfig = pJoyConfig;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropSheet::FetchJoyConfig(IDirectInputJoyConfig** ppJoyConfig) {
  if (ppJoyConfig == NULL) return E_POINTER;
  *ppJoyConfig = m_pJoyConfig;
  return S_OK;
}
