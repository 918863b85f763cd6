// GetOpenFileNameA / GetSaveFileNameA answered by the simulated user, and
// CommDlgExtendedError.
//
// A dialog checks its arguments, records what it was opened with, takes the
// next queued answer and checks the name as the system dialog checks what
// the user typed: with OFN_FILEMUSTEXIST (Open and Save As alike) only an
// existing file, with it or OFN_PATHMUSTEXIST only a name in an existing
// folder; any other name gets the system's warning box and the dialog stays
// open for the user's next answer. A name it takes fills OPENFILENAMEA as
// the system dialog does. Hooks and templates are never called; the
// current directory is never changed, so OFN_NOCHANGEDIR holds throughout.
#include "platform/win32.h"

#include <cstring>
#include <string>

#include "posix/comdlg32/dialog_state.h"

namespace {

// The calling thread's last file-dialog error.
thread_local DWORD t_dwDialogError = 0;

// Strings of a filter before its closing empty string; a filter is read up
// to this many strings, so that one without its closing NUL cannot run on.
constexpr size_t kMaxFilterStrings = 64;

BOOL Fail(DWORD dwError) {
  t_dwDialogError = dwError;
  return FALSE;
}

std::string CopyOrEmpty(LPCSTR psz) { return psz ? std::string(psz) : std::string(); }

// lpstrFile as it came in: at most nMaxFile characters, up to its NUL.
std::string InitialFile(const OPENFILENAMEA& ofn) {
  if (ofn.lpstrFile == nullptr) return std::string();
  size_t cch = 0;
  while (cch < ofn.nMaxFile && ofn.lpstrFile[cch] != '\0') ++cch;
  return std::string(ofn.lpstrFile, cch);
}

sim::FileDialogRun Describe(const OPENFILENAMEA& ofn, bool bSave) {
  sim::FileDialogRun run;
  run.bSave = bSave;
  run.lStructSize = ofn.lStructSize;
  run.hwndOwner = ofn.hwndOwner;
  run.hInstance = ofn.hInstance;
  run.bHasFilter = ofn.lpstrFilter != nullptr;
  if (ofn.lpstrFilter) {
    for (LPCSTR p = ofn.lpstrFilter; *p != '\0' && run.filter.size() < kMaxFilterStrings; p += std::strlen(p) + 1)
      run.filter.emplace_back(p);
  }
  run.nFilterIndex = ofn.nFilterIndex;
  run.bHasFile = ofn.lpstrFile != nullptr;
  run.initialFile = InitialFile(ofn);
  run.nMaxFile = ofn.nMaxFile;
  run.bHasFileTitle = ofn.lpstrFileTitle != nullptr;
  run.nMaxFileTitle = ofn.nMaxFileTitle;
  run.bHasInitialDir = ofn.lpstrInitialDir != nullptr;
  run.initialDir = CopyOrEmpty(ofn.lpstrInitialDir);
  run.bHasTitle = ofn.lpstrTitle != nullptr;
  run.title = CopyOrEmpty(ofn.lpstrTitle);
  run.dwFlags = ofn.Flags;
  run.bHasDefExt = ofn.lpstrDefExt != nullptr;
  run.defExt = CopyOrEmpty(ofn.lpstrDefExt);
  return run;
}

void Record(const sim::FileDialogRun& run) {
  qjplat::comdlg32::DialogState& state = qjplat::comdlg32::State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.fileRuns.push_back(run);
}

bool TakeAnswer(sim::FileDialogScript* pAnswer) {
  qjplat::comdlg32::DialogState& state = qjplat::comdlg32::State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.fileAnswers.empty()) return false;
  *pAnswer = state.fileAnswers.front();
  state.fileAnswers.pop_front();
  return true;
}

// Offset of the name in a path: after its last backslash, slash or colon.
size_t NameOffset(const std::string& path) {
  const size_t nSep = path.find_last_of("\\/:");
  return nSep == std::string::npos ? 0 : nSep + 1;
}

bool SameTextNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char ca = a[i], cb = b[i];
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<char>(cb - 'A' + 'a');
    if (ca != cb) return false;
  }
  return true;
}

// Number of description/pattern pairs in a filter.
DWORD FilterPairs(const sim::FileDialogRun& run) { return static_cast<DWORD>(run.filter.size() / 2); }

// Fills the members the dialog returns for a confirmed path that fits.
void Fill(OPENFILENAMEA* pofn, const std::string& path, size_t nName, const sim::FileDialogRun& run) {
  std::memcpy(pofn->lpstrFile, path.c_str(), path.size() + 1);
  pofn->nFileOffset = static_cast<WORD>(nName);
  const size_t nDot = path.find_last_of('.');
  std::string ext;
  if (nDot == std::string::npos || nDot < nName) {
    pofn->nFileExtension = static_cast<WORD>(path.size());  // no extension: the terminator
  } else if (nDot + 1 == path.size()) {
    pofn->nFileExtension = 0;  // the name ends in a dot
  } else {
    pofn->nFileExtension = static_cast<WORD>(nDot + 1);
    ext = path.substr(nDot + 1);
  }
  if (pofn->lpstrFileTitle != nullptr && pofn->nMaxFileTitle > 0) {
    const std::string name = path.substr(nName);
    const size_t cch = name.size() < pofn->nMaxFileTitle - 1 ? name.size() : pofn->nMaxFileTitle - 1;
    std::memcpy(pofn->lpstrFileTitle, name.data(), cch);
    pofn->lpstrFileTitle[cch] = '\0';
  }
  if (run.bHasFilter && FilterPairs(run) > 0 && (pofn->nFilterIndex == 0 || pofn->nFilterIndex > FilterPairs(run)))
    pofn->nFilterIndex = 1;
  pofn->Flags &= ~OFN_EXTENSIONDIFFERENT;
  if (run.bHasDefExt && !SameTextNoCase(ext, run.defExt)) pofn->Flags |= OFN_EXTENSIONDIFFERENT;
}

// The folder part of a path without its last separator ("C:\\" keeps it);
// empty for a bare name.
std::string FolderOf(const std::string& path, size_t nName) {
  if (nName == 0) return std::string();
  if (nName >= 2 && path[nName - 2] == ':') return path.substr(0, nName);
  return path.substr(0, nName - 1);
}

// The system dialog's warning when the name breaks the dialog's flags, or
// an empty text when the name may be taken.
std::string Refusal(const std::string& path, size_t nName, DWORD dwFlags) {
  if (dwFlags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) {
    const std::string folder = FolderOf(path, nName);
    const DWORD dwFolder = folder.empty() ? FILE_ATTRIBUTE_DIRECTORY : GetFileAttributesA(folder.c_str());
    if (dwFolder == INVALID_FILE_ATTRIBUTES || !(dwFolder & FILE_ATTRIBUTE_DIRECTORY))
      return path + "\nPath does not exist.\nCheck the path and try again.";
  }
  if ((dwFlags & OFN_FILEMUSTEXIST) && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    return path + "\nFile not found.\nCheck the file name and try again.";
  return std::string();
}

BOOL RunFileDialog(LPOPENFILENAMEA pofn, bool bSave) {
  if (pofn == nullptr) return Fail(CDERR_INITIALIZATION);
  if (pofn->lStructSize != sizeof(OPENFILENAMEA) && pofn->lStructSize != OPENFILENAME_SIZE_VERSION_400A)
    return Fail(CDERR_STRUCTSIZE);
  if (pofn->lpstrFile == nullptr) return Fail(CDERR_INITIALIZATION);

  sim::FileDialogRun run = Describe(*pofn, bSave);
  std::string path;
  size_t nName = 0;
  for (;;) {
    sim::FileDialogScript answer;
    if (!TakeAnswer(&answer)) {
      // Without a first answer the dialog never came up; after a warning the
      // user closed it.
      run.bCancelled = run.bAnswered;
      Record(run);
      return Fail(run.bAnswered ? 0 : CDERR_DIALOGFAILURE);
    }
    run.bAnswered = true;
    if (answer.bCancel) {
      run.bCancelled = true;
      Record(run);
      return Fail(0);
    }
    path = answer.path;
    nName = NameOffset(path);
    if (nName == path.size()) {
      Record(run);
      return Fail(FNERR_INVALIDFILENAME);
    }
    if (run.bHasDefExt && !run.defExt.empty() && path.find('.', nName) == std::string::npos)
      path += "." + run.defExt;
    const std::string warning = Refusal(path, nName, pofn->Flags);
    if (warning.empty()) break;
    run.refusedPaths.push_back(path);
    const char* pszCaption = pofn->lpstrTitle ? pofn->lpstrTitle : bSave ? "Save As" : "Open";
    MessageBoxA(pofn->hwndOwner, warning.c_str(), pszCaption, MB_OK | MB_ICONWARNING);
  }
  run.chosenPath = path;
  Record(run);

  // The offsets returned are 16-bit.
  if (path.size() > 0xFFFFu) return Fail(FNERR_INVALIDFILENAME);
  if (path.size() + 1 > pofn->nMaxFile) {
    // The size needed, in bytes with the terminator, where two bytes fit.
    if (pofn->nMaxFile >= 2) {
      const WORD wNeeded = static_cast<WORD>(path.size() + 1 > 0xFFFFu ? 0xFFFFu : path.size() + 1);
      pofn->lpstrFile[0] = static_cast<char>(wNeeded & 0xFFu);
      pofn->lpstrFile[1] = static_cast<char>(wNeeded >> 8);
    }
    return Fail(FNERR_BUFFERTOOSMALL);
  }
  Fill(pofn, path, nName, run);
  t_dwDialogError = 0;
  return TRUE;
}

}  // namespace

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn) { return RunFileDialog(lpofn, false); }

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA lpofn) { return RunFileDialog(lpofn, true); }

DWORD WINAPI CommDlgExtendedError(void) { return t_dwDialogError; }
