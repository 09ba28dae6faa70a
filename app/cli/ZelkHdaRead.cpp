#include "app/cli/ZelkHdaRead.h"

#include <iostream>

#include "app/cli/CliErrors.h"
#include "app/cli/CliOptions.h"
#include "app/cli/CliSession.h"
#include "app/cli/CliText.h"
#include "app/cli/CliTime.h"
#include "platform/win32.h"
#include "servers/hdasim/ServerRegistration.h"

namespace {

constexpr char kProgram[] = "zelk-hda-read";

int UsageError(std::ostream& Err, const std::string& message) {
  Err << kProgram << ": " << message << " (see --help)\n";
  return 2;
}

int ServerError(std::ostream& Err, const std::string& message) {
  Err << kProgram << ": " << CliSafeText(message) << '\n';
  return 1;
}

}  // namespace

int RunZelkHdaRead(const std::vector<std::string>& args, std::ostream& Out, std::ostream& Err) {
  TCliOptions options;
  try {
    options = ParseCliOptions(args, SystemTicksNow());
  } catch (const ECliUsageError& e) {
    return UsageError(Err, e.Message());
  }
  if (options.Help) {
    Out << CliHelpText();
    return 0;
  }
  try {
    TCliSession(options, Out).Run();
    Out.flush();
    return 0;
  } catch (const ECliUsageError& e) {
    Out.flush();
    return UsageError(Err, e.Message());
  } catch (const std::exception& e) {
    Out.flush();
    return ServerError(Err, e.what());
  } catch (...) {
    Out.flush();
    return ServerError(Err, "unexpected error");
  }
}

int ZelkHdaReadMain(int argc, char** argv) {
  // Before any output: a large result goes out through the stream's own buffer.
  std::ios::sync_with_stdio(false);
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return ServerError(std::cerr, "COM did not start");
  int exitCode;
  const HRESULT hr = RegisterHdaSimServers();
  if (FAILED(hr)) {
    exitCode = ServerError(std::cerr, "the demo historian did not register: " + CliResultText(hr));
  } else {
    for (const std::string& problem : HdaSimDiagnostics()) std::cerr << kProgram << ": " << problem << '\n';
    exitCode = RunZelkHdaRead(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), std::cout, std::cerr);
    RevokeHdaSimServers();
  }
  std::cout.flush();
  CoUninitialize();
  return exitCode;
}
