#pragma once
// The one seam through which the code base shows message boxes and reports exceptions that
// reach the application's top level. A GUI installs handlers that show real dialogs; tests
// install handlers that record and answer. Without a handler the text goes to stderr and the
// box answers its default button at once, so nothing ever blocks.

#include <exception>
#include <functional>
#include <string>

// Buttons (MB_TYPEMASK), icon (MB_ICONMASK) and default button (MB_DEFMASK), as on Windows.
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_CANCELTRYCONTINUE 0x00000006L
#define MB_ICONHAND 0x00000010L
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_TYPEMASK 0x0000000FL
#define MB_ICONMASK 0x000000F0L
#define MB_DEFMASK 0x00000F00L

// The button that closed a box.
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#define IDTRYAGAIN 10
#define IDCONTINUE 11

using TMessageBoxHandler = std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
using TApplicationExceptionHandler = std::function<void(const std::exception& error)>;

// Shows a modal box and returns the ID of the button pressed; 0 (as Windows does) when flags
// name no known button set.
int ApplicationMessageBox(const std::string& text, const std::string& caption, unsigned flags);
// A box with one OK button captioned with the application's title.
void ShowMessage(const std::string& text);
// The top-level display of an exception nobody caught; by default a box with the exception's
// message, the application's title and the error icon.
void HandleApplicationException(const std::exception& error);

// The button a box with these flags has focused at first: the MB_DEFBUTTONn one when the box has
// that many buttons, else the first; 0 for an unknown button set.
int MessageBoxDefaultButton(unsigned flags);

// The caption of the application's boxes; the program's file name until set.
std::string ApplicationTitle();
void SetApplicationTitle(const std::string& title);

// Each setter installs a handler and returns the one it replaces; an empty handler stands for
// the built-in one.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler handler);

// Installs a handler for its own lifetime and puts the previous one back.
template <class THandler, THandler (*Install)(THandler)>
class TScopedHandler {
public:
  explicit TScopedHandler(THandler handler) : FPrevious(Install(std::move(handler))) {}
  ~TScopedHandler() { Install(std::move(FPrevious)); }
  TScopedHandler(const TScopedHandler&) = delete;
  TScopedHandler& operator=(const TScopedHandler&) = delete;

private:
  THandler FPrevious;
};

using TScopedMessageBoxHandler = TScopedHandler<TMessageBoxHandler, SetMessageBoxHandler>;
using TScopedApplicationExceptionHandler =
    TScopedHandler<TApplicationExceptionHandler, SetApplicationExceptionHandler>;
