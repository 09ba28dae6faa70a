#include "app/cli/CliOptions.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <utility>

#include "app/cli/CliTime.h"

namespace {

constexpr int64_t kDefaultSpanTicks = 3600 * kTicksPerSecond;

// Walks the arguments; "--name value" and "--name=value" both give a value.
class TArgReader {
public:
  explicit TArgReader(const std::vector<std::string>& args) : FArgs(args) {}

  bool Next() {
    if (FPos >= FArgs.size()) return false;
    const std::string& arg = FArgs[FPos++];
    const size_t equals = arg.find('=');
    if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      FName = arg.substr(0, equals);
      FInlineValue = arg.substr(equals + 1);
    } else {
      FName = arg;
      FInlineValue.reset();
    }
    return true;
  }

  const std::string& Name() const { return FName; }

  std::string Value() {
    if (FInlineValue) return *std::exchange(FInlineValue, std::nullopt);
    if (FPos >= FArgs.size()) throw ECliUsageError(FName + " needs a value");
    return FArgs[FPos++];
  }

  // The value that may follow: given inline, or a next argument that is no option.
  std::string OptionalValue() {
    if (FInlineValue || (FPos < FArgs.size() && FArgs[FPos].rfind("--", 0) != 0)) return Value();
    return {};
  }

  // An option that takes no value must not get one inline.
  void NoValue() const {
    if (FInlineValue) throw ECliUsageError(FName + " takes no value");
  }

private:
  const std::vector<std::string>& FArgs;
  size_t FPos = 0;
  std::string FName;
  std::optional<std::string> FInlineValue;
};

int64_t TimeArg(const std::string& option, const std::string& text, int64_t nowTicks) {
  try {
    return ParseCliTime(text, nowTicks);
  } catch (const EConvertError& e) {
    throw ECliUsageError(option + ": " + e.Message());
  }
}

uint32_t CountArg(const std::string& option, const std::string& text) {
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    throw ECliUsageError(option + ": '" + text + "' is not a count from 0 to 4294967295");
  return value;
}

double SecondsArg(const std::string& option, const std::string& text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 0)
    throw ECliUsageError(option + ": '" + text + "' is not a number of seconds, 0 or more");
  return value;
}

TCliReadMethod MethodArg(const std::string& text) {
  if (text == "raw") return TCliReadMethod::Raw;
  if (text == "processed") return TCliReadMethod::Processed;
  if (text == "attime") return TCliReadMethod::AtTime;
  if (text == "modified") return TCliReadMethod::Modified;
  throw ECliUsageError("--method: '" + text + "' is none of raw, processed, attime, modified");
}

std::vector<int64_t> TimeListArg(const std::string& text, int64_t nowTicks) {
  std::vector<int64_t> times;
  size_t from = 0;
  for (;;) {
    const size_t comma = text.find(',', from);
    times.push_back(TimeArg("--at", text.substr(from, comma - from), nowTicks));
    if (comma == std::string::npos) return times;
    from = comma + 1;
  }
}

// Which read options were given, to check them against the method.
struct TGiven {
  bool Start = false, End = false, Method = false, Max = false, Bounds = false, Aggregate = false,
       Interval = false, At = false;
};

void CheckCombination(TCliOptions& options, const TGiven& given) {
  if (given.At && !given.Method) options.Method = TCliReadMethod::AtTime;
  const bool reads = given.Start || given.End || given.Method || given.Max || given.Bounds || given.Aggregate ||
                     given.Interval || given.At;
  if (reads && options.ItemId.empty()) throw ECliUsageError("the read options need --item");
  if (options.ItemId.empty() && !options.List && !options.Status && !options.Aggregates)
    throw ECliUsageError("nothing to do: give --item, --list, --status or --aggregates");

  const TCliReadMethod method = options.Method;
  const bool ranged = method != TCliReadMethod::AtTime;
  if (!ranged && (given.Start || given.End)) throw ECliUsageError("--method attime reads at --at, not --start/--end");
  if (method == TCliReadMethod::AtTime && !given.At) throw ECliUsageError("--method attime needs --at");
  if (method != TCliReadMethod::AtTime && given.At) throw ECliUsageError("--at is only for --method attime");
  if (given.Max && method != TCliReadMethod::Raw && method != TCliReadMethod::Modified)
    throw ECliUsageError("--max is only for --method raw or modified");
  if (given.Bounds && method != TCliReadMethod::Raw) throw ECliUsageError("--bounds is only for --method raw");
  if ((given.Aggregate || given.Interval) && method != TCliReadMethod::Processed)
    throw ECliUsageError("--aggregate and --interval are only for --method processed");
  if (method == TCliReadMethod::Processed && !given.Aggregate)
    throw ECliUsageError("--method processed needs --aggregate");
}

}  // namespace

TCliOptions ParseCliOptions(const std::vector<std::string>& args, int64_t nowTicks) {
  TCliOptions options;
  TGiven given;
  TArgReader reader(args);
  while (reader.Next()) {
    const std::string& name = reader.Name();
    if (name == "--help" || name == "-h") {
      reader.NoValue();
      options.Help = true;
      return options;  // whatever else is there, help is what was asked for
    } else if (name == "--server") {
      options.Server = reader.Value();
    } else if (name == "--computer") {
      options.Computer = reader.Value();
    } else if (name == "--list") {
      options.List = true;
      options.ListBranch = reader.OptionalValue();
    } else if (name == "--item") {
      options.ItemId = reader.Value();
      if (options.ItemId.empty()) throw ECliUsageError("--item needs an item id");
    } else if (name == "--start") {
      options.StartTicks = TimeArg(name, reader.Value(), nowTicks);
      given.Start = true;
    } else if (name == "--end") {
      options.EndTicks = TimeArg(name, reader.Value(), nowTicks);
      given.End = true;
    } else if (name == "--method") {
      options.Method = MethodArg(reader.Value());
      given.Method = true;
    } else if (name == "--max") {
      options.MaxValues = CountArg(name, reader.Value());
      given.Max = true;
    } else if (name == "--bounds") {
      reader.NoValue();
      options.Bounds = given.Bounds = true;
    } else if (name == "--aggregate") {
      options.Aggregate = reader.Value();
      if (options.Aggregate.empty()) throw ECliUsageError("--aggregate needs a name or an id");
      given.Aggregate = true;
    } else if (name == "--interval") {
      options.IntervalSeconds = SecondsArg(name, reader.Value());
      given.Interval = true;
    } else if (name == "--at") {
      options.AtTicks = TimeListArg(reader.Value(), nowTicks);
      given.At = true;
    } else if (name == "--status") {
      reader.NoValue();
      options.Status = true;
    } else if (name == "--aggregates") {
      reader.NoValue();
      options.Aggregates = true;
    } else {
      throw ECliUsageError("unknown argument '" + name + "'");
    }
  }
  if (!given.End) options.EndTicks = nowTicks;
  if (!given.Start) options.StartTicks = options.EndTicks - kDefaultSpanTicks;
  CheckCombination(options, given);
  return options;
}

const char* CliHelpText() {
  return R"(Usage: zelk-hda-read [options]

Reads the history of one item from an OPC HDA server and prints it as a table: time stamp
(local), value, OPC quality and HDA quality, one line per value, then the number of values
and the read's result code. The demo historian Zelk.HDASim.1 is built in.

What to do (any combination; at least one):
  --item ITEMID           read the history of ITEMID
  --list [BRANCH]         list the item ids at and below BRANCH (default: all)
  --status                print the server's status
  --aggregates            print the server's aggregates

Server:
  --server PROGID|CLSID   the server (default Zelk.HDASim.1)
  --computer NAME         the computer it runs on (default this one)

Reading (with --item):
  --method M              raw (default), processed, attime or modified
  --start T               start of the range (default: an hour before the end)
  --end T                 end of the range (default: now)
  --max N                 raw and modified: at most N values (default 0: all)
  --bounds                raw: add the bounding values around the range
  --aggregate NAME|ID     processed: the aggregate, by name (Average) or id
  --interval SECONDS      processed: the resample interval (default 60; 0: one interval)
  --at T,T,...            attime: the time stamps to read at (implies --method attime)

Times T:
  now, now-30s, now-10m, now-1h, now-2d
  2026-01-31 14:00:00     local time (a T may stand for the blank; .fff milliseconds may follow)
  2026-01-31T13:00:00Z    UTC

  --help                  this text

Exit codes: 0 done, 1 the server or the read failed, 2 the command line is wrong.

Example:
  zelk-hda-read --item Test.Ramp --start now-10m
  zelk-hda-read --item Test.Ramp --method processed --aggregate Average --interval 600
)";
}
