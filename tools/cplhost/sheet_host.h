// The Game Controllers control panel's side of a device's property sheet:
// finds the sheet server through the controller's OEM entries, creates the
// server's object, builds the pages from their dialog templates and runs
// the property-sheet protocol and the user's actions on them. Everything
// runs on the calling thread, on the simulated clock (which the caller
// freezes first).
#pragma once

#include "platform/dicpl.h"
#include "platform/win32.h"
#include "user_script.h"

#include <ostream>
#include <string>
#include <vector>

namespace cplhost {

struct HostOptions {
  // The server module (a Linux path, or a Windows one with a drive); empty:
  // the InProcServer32 of the controller's ConfigCLSID.
  std::string modulePath;
  UINT uJoyId = 0;
  std::string outDir = ".";   // Linux folder for the pictures
  std::ostream* pLog = nullptr;  // the protocol log; null: none
};

// Controller identity the stand-in attaches.
constexpr WORD kVendorId = 0x7C3A;
constexpr WORD kProductId = 0xA02F;

class SheetHost {
 public:
  SheetHost() = default;
  SheetHost(const SheetHost&) = delete;
  SheetHost& operator=(const SheetHost&) = delete;
  // Closes the sheet (as the close box) when it is still open and unloads
  // the server.
  ~SheetHost();

  // Attaches the controller at uJoyId (with its HID device), loads the
  // server, creates its object and opens the sheet on page 0. False with a
  // reason when one of these fails.
  bool Open(const HostOptions& options, std::string* pError);

  // One user action; false with "line N: ..." when it cannot be done (a
  // page that does not exist, a picture that cannot be written, an action
  // on the sheet once it has closed).
  bool Run(const Step& step, std::string* pError);

  // Properties pressed again in the same process: a sheet still open is
  // closed with its close box, the sheet object is released (the module
  // stays loaded), and a new object from a new class factory opens the
  // sheet on page 0. False with a reason when the new sheet cannot be made.
  bool Reopen(std::string* pError);

  // The close box: PSN_QUERYCANCEL to the page shown, then PSN_RESET with
  // lParam TRUE to every page made, and the sheet is destroyed.
  void CloseBox();

  // Releases the server's object and unloads the module once it says it may
  // be unloaded. Closes the sheet first when it is open.
  void Shutdown();

  bool IsOpen() const { return m_hSheet != nullptr; }
  HWND SheetWindow() const { return m_hSheet; }
  HWND PageWindow(int nPage) const;
  int CurrentPage() const { return m_nCurrent; }
  int PageCount() const { return int(m_pages.size()); }
  HMODULE Module() const { return m_hModule; }
  DWORD StartTick() const { return m_dwStartTick; }
  // The HID device path of the controller's motor reports.
  const std::string& DevicePath() const { return m_devicePath; }
  // Writes every motor report the controller received, one a line:
  // "<ms since open>,<byte0>,<byte1>,<byte2>,<byte3>". False when the file
  // cannot be written.
  bool WriteReports(const std::string& path) const;

 private:
  struct Page {
    std::string title;
    DLGPROC pfnProc = nullptr;
    HINSTANCE hInstance = nullptr;
    LPARAM lParam = 0;
    std::vector<BYTE> dialogTemplate;  // the module's template, restyled as a child
    int cx = 0;                        // client size in pixels
    int cy = 0;
    HWND hWnd = nullptr;
    PROPSHEETPAGEA psp{};
  };

  typedef HRESULT(STDAPICALLTYPE* GetClassObjectProc)(REFCLSID, REFIID, LPVOID*);

  static LRESULT CALLBACK SheetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  bool FindServer(std::string* pClsid, std::string* pModule, std::string* pError);
  bool LoadServer(const std::string& clsid, const std::string& module, std::string* pError);
  bool CreateSheet(std::string* pError);
  void ReleaseSheet();
  bool ReadPages(std::string* pError);
  bool CreateSheetWindow(std::string* pError);
  bool MakePage(int nPage);
  LRESULT Notify(int nPage, UINT code, LPARAM lParam);
  bool SelectPage(int nPage);
  void ApplyPages(bool bOk);
  void CancelSheet(bool bCloseBox, bool bWhenIdle);
  void CloseByMessage();
  void DestroyIfEnded();
  void DestroySheet();
  void SetJoystick();
  void Pump();
  void PostMouse(UINT uMsg, WPARAM wParam, long x, long y);
  void PointerTo(long x, long y);
  void PageChanged(HWND hPage, bool bChanged);
  void ReleaseHeldKeys();
  void LogReports();
  std::ostream& Log();

  HostOptions m_options;
  HMODULE m_hModule = nullptr;
  GetClassObjectProc m_pfnGetClassObject = nullptr;
  GUID m_clsid{};
  IDIGameCntrlPropSheet* m_pSheet = nullptr;
  std::vector<Page> m_pages;
  HWND m_hSheet = nullptr;
  int m_nCurrent = -1;
  int m_cxPage = 0;  // the page area: the largest page's client size
  int m_cyPage = 0;
  bool m_bClosing = false;
  bool m_bEnded = false;  // cancelled by a message; destroyed when the sheet's loop runs again
  DWORD m_dwStartTick = 0;
  DIJOYSTATE m_state{};
  std::string m_devicePath;
  size_t m_nReportsLogged = 0;
  std::vector<UINT> m_heldKeys;  // keys a key-capture line leaves down
  std::vector<HWND> m_changedPages;  // pages that sent PSM_CHANGED since the last Apply
  // The pointer in the shown page's client coordinates; kPointerAway while
  // it is on the tabs or the buttons.
  static constexpr POINT kPointerAway = {-32768, -32768};
  POINT m_ptMouse = kPointerAway;
};

}  // namespace cplhost
