// The effect driver object: forwards DirectInput's calls by joystick ID to
// the playback servers of the server table.
#include "ffdriver.h"

#include <new>

#include "ffserver.h"
#include "qj_ff.h"

FFServer* g_pServer[FF_MAX_JOYSTICKS] = {};
BYTE g_bServerOpen[FF_MAX_JOYSTICKS] = {};

namespace {

constexpr DWORD kDeviceStateSize = 12;   // sizeof(DIDEVICESTATE)
constexpr DWORD kVersionsSize = 16;      // sizeof(DIDRIVERVERSIONS)
constexpr DWORD kMaxGain = 10000;
constexpr int kDevicePathBytes = 260;    // FFServer::m_szDevicePath

}  // namespace

CQJ_FFDriver::CQJ_FFDriver() : m_lRefCount(1), m_Log("c:\\FF\\Log") {}

CQJ_FFDriver::~CQJ_FFDriver() = default;

FFServer* CQJ_FFDriver::OpenServer(DWORD dwID) {
  if (dwID >= FF_MAX_JOYSTICKS) return NULL;
  // DeviceID fills the table under the module lock; reading it under the
  // lock too gives a caller on another thread the server as DeviceID left
  // it, path and all.
  FFModuleLock lock;
  return (g_bServerOpen[dwID] == 1) ? g_pServer[dwID] : NULL;
}

STDMETHODIMP CQJ_FFDriver::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == NULL) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInputEffectDriver)) {
    AddRef();
    *ppv = static_cast<IDirectInputEffectDriver*>(this);
    return S_OK;
  }
  *ppv = NULL;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CQJ_FFDriver::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_lRefCount)); }

STDMETHODIMP_(ULONG) CQJ_FFDriver::Release() {
  // The module lock keeps CreateInstance from handing out this driver while
  // its last reference goes.
  FFModuleLock lock;
  const LONG lCount = InterlockedDecrement(&m_lRefCount);
  if (lCount != 0) return static_cast<ULONG>(lCount);
  for (DWORD id = 0; id < FF_MAX_JOYSTICKS; ++id) {
    if (g_bServerOpen[id] != 1) continue;
    delete g_pServer[id];
    g_pServer[id] = NULL;
    g_bServerOpen[id] = 0;
  }
  if (g_pDriver == this) g_pDriver = NULL;
  delete this;
  return 0;
}

STDMETHODIMP CQJ_FFDriver::DeviceID(DWORD dwDIVer, DWORD dwExternalID, DWORD fBegin, DWORD dwInternalId,
                                    LPVOID lpvInfo) {
  if (dwExternalID >= FF_MAX_JOYSTICKS) return E_FAIL;
  if (!fBegin) return S_OK;
  const DIHIDFFINITINFO* pInfo = static_cast<const DIHIDFFINITINFO*>(lpvInfo);
  if (pInfo == NULL || pInfo->pwszDeviceInterface == NULL) return E_INVALIDARG;
  // The ANSI path must fit the server's buffer with its terminator; a cut
  // path would name another device.
  const int cbPath = WideCharToMultiByte(CP_ACP, 0, pInfo->pwszDeviceInterface, -1, NULL, 0, NULL, NULL);
  if (cbPath <= 0 || cbPath > kDevicePathBytes) return E_FAIL;
  char szPath[kDevicePathBytes];
  WideCharToMultiByte(CP_ACP, 0, pInfo->pwszDeviceInterface, cbPath, szPath, kDevicePathBytes, NULL, NULL);
  szPath[kDevicePathBytes - 1] = 0;

  // One server per ID even when two callers bind the same ID at once.
  FFModuleLock lock;
  if (g_bServerOpen[dwExternalID] == 1) {
    // DirectInput binds an open ID again when the controller comes back on
    // another port: the server, its effects and its thread stay, and the
    // reports go to the new path.
    g_pServer[dwExternalID]->ChangeDevicePath(szPath);
    return S_OK;
  }
  FFServer* pServer = new (std::nothrow) FFServer(dwExternalID);
  if (pServer == NULL) return E_FAIL;
  lstrcpynA(pServer->m_szDevicePath, szPath, kDevicePathBytes);
  g_pServer[dwExternalID] = pServer;
  pServer->m_bPathSet = 1;
  g_bServerOpen[dwExternalID] = 1;
  pServer->WriteMotorReport(0, 0);
  pServer->Start();
  return S_OK;
}

STDMETHODIMP CQJ_FFDriver::GetVersions(LPDIDRIVERVERSIONS pvers) {
  if (pvers == NULL || pvers->dwSize < kVersionsSize) return E_INVALIDARG;
  pvers->dwSize = kVersionsSize;
  pvers->dwFirmwareRevision = 3;
  pvers->dwHardwareRevision = 5;
  pvers->dwFFDriverVersion = 0xF1F;
  return S_OK;
}

STDMETHODIMP CQJ_FFDriver::Escape(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE pesc) { return S_OK; }

STDMETHODIMP CQJ_FFDriver::SetGain(DWORD dwID, DWORD dwGain) {
  if (dwID >= FF_MAX_JOYSTICKS) return E_FAIL;
  FFServer* pServer = OpenServer(dwID);
  if (pServer == NULL) return S_OK;
  pServer->m_dwGain = (dwGain > kMaxGain) ? kMaxGain : dwGain;
  return S_OK;
}

STDMETHODIMP CQJ_FFDriver::SendForceFeedbackCommand(DWORD dwID, DWORD dwCommand) {
  if (dwID >= FF_MAX_JOYSTICKS) return E_FAIL;
  FFServer* pServer = OpenServer(dwID);
  if (pServer == NULL) return S_OK;
  switch (dwCommand) {
    case DISFFC_RESET:
      pServer->ResetEffects();
      break;
    case DISFFC_STOPALL:
      pServer->HaltAll();
      break;
    case DISFFC_PAUSE:
      pServer->PauseAll();
      break;
    case DISFFC_CONTINUE:
      pServer->ResumeAll();
      break;
    default:
      break;
  }
  return S_OK;
}

STDMETHODIMP CQJ_FFDriver::GetForceFeedbackState(DWORD dwID, LPDIDEVICESTATE pds) {
  if (dwID >= FF_MAX_JOYSTICKS) return E_FAIL;
  if (pds == NULL || pds->dwSize < kDeviceStateSize) return E_INVALIDARG;
  FFServer* pServer = OpenServer(dwID);
  if (pServer != NULL) {
    switch (pServer->m_dwDevState.load()) {
      case EFFECT_STOPPED:
        pds->dwState = DIGFFS_STOPPED;
        break;
      case EFFECT_PAUSED:
        pds->dwState = DIGFFS_PAUSED;
        break;
      default:
        pds->dwState = 0;
        break;
    }
  }
  pds->dwLoad = 0;
  return S_OK;
}

STDMETHODIMP CQJ_FFDriver::DownloadEffect(DWORD dwID, DWORD dwEffectID, LPDWORD pdwEffect, LPCDIEFFECT peff,
                                          DWORD dwFlags) {
  if (dwID >= FF_MAX_JOYSTICKS) return E_FAIL;
  FFServer* pServer = OpenServer(dwID);
  if (pServer == NULL) return S_OK;
  if (pdwEffect == NULL || peff == NULL) return E_INVALIDARG;
  if (*pdwEffect == 0)
    pServer->AddEffect(dwEffectID, pdwEffect, peff, dwFlags);
  else
    pServer->UpdateEffect(dwEffectID, *pdwEffect, peff, dwFlags);
  if (dwFlags & DIEP_START) pServer->PlayEffect(*pdwEffect);
  return S_OK;
}

STDMETHODIMP CQJ_FFDriver::DestroyEffect(DWORD dwID, DWORD dwEffect) {
  if (dwID >= FF_MAX_JOYSTICKS) return E_FAIL;
  FFServer* pServer = OpenServer(dwID);
  if (pServer == NULL) return S_OK;
  pServer->RemoveEffect(dwEffect);
  return S_OK;
}

STDMETHODIMP CQJ_FFDriver::StartEffect(DWORD dwID, DWORD dwEffect, DWORD dwMode, DWORD dwCount) {
  if (dwID >= FF_MAX_JOYSTICKS) return E_FAIL;
  FFServer* pServer = OpenServer(dwID);
  if (pServer == NULL) return S_OK;
  if (dwCount != 0) pServer->PlayEffect(dwEffect);
  return S_OK;
}

STDMETHODIMP CQJ_FFDriver::StopEffect(DWORD dwID, DWORD dwEffect) {
  if (dwID >= FF_MAX_JOYSTICKS) return E_FAIL;
  FFServer* pServer = OpenServer(dwID);
  if (pServer == NULL) return S_OK;
  pServer->HaltEffect(dwEffect);
  return S_OK;
}

STDMETHODIMP CQJ_FFDriver::GetEffectStatus(DWORD dwID, DWORD dwEffect, LPDWORD pdwStatus) {
  if (pdwStatus != NULL) *pdwStatus = 0;
  if (dwID >= FF_MAX_JOYSTICKS) return E_FAIL;
  FFServer* pServer = OpenServer(dwID);
  if (pServer == NULL || pdwStatus == NULL) return S_OK;
  *pdwStatus = (pServer->QueryEffectState(dwEffect) != EFFECT_STOPPED) ? DIEGES_PLAYING : 0;
  return S_OK;
}
