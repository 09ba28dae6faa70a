#include "platform/rtl/MessageSeam.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <vector>

namespace {

struct TSeam {
  std::mutex Lock;
  TMessageBoxHandler MessageBox;
  TApplicationExceptionHandler ExceptionHandler;
  std::string Title = program_invocation_short_name;
};

// Never destroyed: exceptions may still be reported while static objects are destroyed.
TSeam& TheSeam() {
  static auto* seam = new TSeam;
  return *seam;
}

// The buttons of each MB_TYPEMASK value, left to right.
const std::vector<int>& Buttons(unsigned flags) {
  static const std::vector<int> buttons[] = {
      {IDOK},          {IDOK, IDCANCEL},  {IDABORT, IDRETRY, IDIGNORE},     {IDYES, IDNO, IDCANCEL},
      {IDYES, IDNO},   {IDRETRY, IDCANCEL}, {IDCANCEL, IDTRYAGAIN, IDCONTINUE},
  };
  static const std::vector<int> none;
  unsigned type = flags & MB_TYPEMASK;
  return type < std::size(buttons) ? buttons[type] : none;
}

int ConsoleMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return MessageBoxDefaultButton(flags);
}

}  // namespace

int MessageBoxDefaultButton(unsigned flags) {
  const std::vector<int>& buttons = Buttons(flags);
  if (buttons.empty())
    return 0;
  unsigned index = (flags & MB_DEFMASK) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

int ApplicationMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  TMessageBoxHandler handler;
  {
    TSeam& seam = TheSeam();
    std::lock_guard lock(seam.Lock);
    handler = seam.MessageBox;
  }
  return handler ? handler(text, caption, flags) : ConsoleMessageBox(text, caption, flags);
}

void ShowMessage(const std::string& text) { ApplicationMessageBox(text, ApplicationTitle(), MB_OK); }

void HandleApplicationException(const std::exception& error) {
  TApplicationExceptionHandler handler;
  {
    TSeam& seam = TheSeam();
    std::lock_guard lock(seam.Lock);
    handler = seam.ExceptionHandler;
  }
  if (handler)
    handler(error);
  else
    ApplicationMessageBox(error.what(), ApplicationTitle(), MB_OK | MB_ICONERROR);
}

std::string ApplicationTitle() {
  TSeam& seam = TheSeam();
  std::lock_guard lock(seam.Lock);
  return seam.Title;
}

void SetApplicationTitle(const std::string& title) {
  TSeam& seam = TheSeam();
  std::lock_guard lock(seam.Lock);
  seam.Title = title;
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
  TSeam& seam = TheSeam();
  std::lock_guard lock(seam.Lock);
  std::swap(seam.MessageBox, handler);
  return handler;
}

TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler handler) {
  TSeam& seam = TheSeam();
  std::lock_guard lock(seam.Lock);
  std::swap(seam.ExceptionHandler, handler);
  return handler;
}
