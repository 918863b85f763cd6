// The Game Controllers control panel's side of the controller's property
// sheet, on Windows: loads the property-sheet server module by its path,
// creates its object through the class factory of the server's class, gives
// it the joystick ID, builds the pages from its records and shows them with
// the system's PropertySheetA, modeless, so that the caller drives the
// sheet and pumps its messages. What the pages get from the sheet is seen
// through message hooks of the thread; the motor reports through the
// DirectInput test double (di_double.h), which the module loads as its
// dinput.dll.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <string>
#include <vector>

#include "di_double.h"
#include "platform/dicpl.h"

namespace pagehost {

// One report the device received: report ID, left, right, reserved.
struct MotorReport {
  DWORD dwTick;      // of the GetProperty that handed out the device path
  DWORD dwPollTick;  // of the last read of the joystick before it; 0: none
  BYTE bytes[4];
};

// What a dialog that opens on top of the sheet is answered with.
struct KeyStroke {
  UINT vk;
  bool bDown;
};
struct DialogAnswers {
  bool bKeys = false;  // the next key-capture dialog: keys, then OK or Cancel
  std::vector<KeyStroke> keys;
  bool bKeysOk = false;
  bool bFile = false;  // the next file dialog: a path, or Cancel
  std::string file;
  bool bFileCancel = false;
};

class PageSheet {
 public:
  // pfnLog receives every protocol line (without its line feed); no user
  // action waits longer than dwLimitMs for its messages to be handled.
  PageSheet(std::function<void(const std::string&)> pfnLog, DWORD dwLimitMs)
      : m_log(std::move(pfnLog)), m_dwLimitMs(dwLimitMs) {}
  PageSheet(const PageSheet&) = delete;
  PageSheet& operator=(const PageSheet&) = delete;
  ~PageSheet();

  // Loads the module and finds the DirectInput double it brought in. False
  // with a reason.
  bool Load(const std::string& module, std::string* pError);
  // Opens a sheet for joystick uJoyId on page 0 (the module stays loaded
  // across sheets, as it does in the control panel). False with a reason.
  bool Open(UINT uJoyId, std::string* pError);
  bool IsOpen() const { return m_hSheet != nullptr; }
  // Releases what the control panel holds and unloads the module once
  // DllCanUnloadNow allows it; closes a sheet still open with its close box.
  void Unload();

  // User actions on the open sheet; each returns once the action's posted
  // messages have been handled (a dialog the action opens is answered by
  // SetAnswers' answers first).
  void SelectPage(int nPage);
  void Mouse(UINT uMsg, WPARAM wParam, int x, int y);  // queued to the shown page
  void MouseDone();                                    // waits until queued mouse messages are handled
  void Key(UINT vk, bool bDown);
  void PressButton(int nButton);                       // PSBTN_OK, PSBTN_CANCEL, PSBTN_APPLYNOW
  void CloseBox();
  void SetAnswers(const DialogAnswers& answers) { m_answers = answers; }
  const DialogAnswers& Answers() const { return m_answers; }

  // Pumps messages for dwMs milliseconds, or until done() holds (true) or
  // dwMs have passed (false).
  bool Pump(DWORD dwMs, const std::function<bool()>& done = nullptr);

  // The shown page's client area as a 24-bit BMP file; its sheet window
  // beside it ("<path minus .bmp>-sheet.bmp"). False when a file cannot be
  // written.
  bool Picture(const std::string& path);

  int CurrentPage() const;
  int PageCount() const { return static_cast<int>(m_pages.size()); }
  DiControl* Double() const { return m_pDouble; }
  bool ApplyEnabled() const;
  // Notifications the pages got ("P:init", "P:setactive", "P:killactive",
  // "P:apply=L", "P:querycancel", "P:reset=L") since the last TakeNotes.
  std::vector<std::string> TakeNotes();
  // Motor reports the device got, in order, since the last TakeReports.
  std::vector<MotorReport> TakeReports();
  // The message boxes shown since the last TakeMessages ("caption: text").
  std::vector<std::string> TakeMessages();
  // Problems found while answering dialogs (a dialog no line answers).
  std::vector<std::string> TakeProblems();
  // Logs every message the sheet and its pages get, with its arguments.
  void SetTrace(bool bTrace) { m_bTrace = bTrace; }
  DWORD OpenTick() const { return m_dwOpenTick; }

 private:
  struct Page {
    std::string title;
    std::string templateName;  // a template given by name, else empty
    DLGPROC pfnProc = nullptr;
    HWND hWnd = nullptr;
  };

  static LRESULT CALLBACK CallWndProc(int nCode, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK GetMsgProc(int nCode, WPARAM wParam, LPARAM lParam);
  static void CALLBACK AnswerDialogs(HWND, UINT, UINT_PTR, DWORD);
  static BOOL CALLBACK AnswerOne(HWND hWnd, LPARAM lParam);
  static LRESULT CALLBACK OwnerProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  void SeeMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, bool bPosted);
  int PageOf(HWND hWnd) const;
  void Finish();
  void CollectReports();
  void Log(const std::string& line);
  bool Answer(HWND hDialog);

  std::function<void(const std::string&)> m_log;
  DWORD m_dwLimitMs;
  HMODULE m_hModule = nullptr;
  DiControl* m_pDouble = nullptr;
  HWND m_hOwner = nullptr;  // the control panel's window, owner of the sheet
  IDIGameCntrlPropSheet* m_pSheet = nullptr;
  HWND m_hSheet = nullptr;
  std::vector<Page> m_pages;
  std::vector<PROPSHEETPAGEA> m_psp;
  std::string m_caption;
  std::string m_icon;
  DWORD m_dwOpenTick = 0;
  HHOOK m_hCallHook = nullptr;
  HHOOK m_hGetHook = nullptr;
  UINT_PTR m_uAnswerTimer = 0;
  bool m_bAnswering = false;
  bool m_bTrace = false;
  unsigned m_uMarksSent = 0;
  unsigned m_uMarksSeen = 0;
  DialogAnswers m_answers;
  std::vector<UINT> m_heldKeys;  // keys a key-capture answer left down
  bool m_bPageAlt = false;       // Alt held on the page
  std::vector<std::string> m_notes;
  std::vector<MotorReport> m_reports;
  std::vector<std::string> m_messages;
  std::vector<std::string> m_problems;
};

}  // namespace pagehost
