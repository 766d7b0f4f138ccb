#include "shell/command_line.h"

#include "runtime/byte_string.h"

namespace tess {

namespace {

constexpr const char* kOutputExtension = ".ren";

bool takesValue(char option) { return option == 'o'; }

// Applies one short option without a value; false when it is unknown.
bool applyFlag(char option, CommandOptions& options) {
  switch (option) {
    case 'a':
      options.append = true;
      return true;
    case 'q':
      options.quiet = true;
      return true;
    case 'v':
      options.verbose = true;
      return true;
    case 'h':
      options.help = true;
      return true;
    default:
      return false;
  }
}

// The values of --log-encoding and --line-ends; false for another value.
bool parseEncoding(const std::string& value, LogEncoding* encoding) {
  static constexpr struct {
    const char* name;
    LogEncoding encoding;
  } kNames[] = {{"auto", LogEncoding::Auto},
                {"sjis", LogEncoding::ShiftJis},
                {"utf-8", LogEncoding::Utf8},
                {"euc-jp", LogEncoding::EucJp},
                {"iso-2022-jp", LogEncoding::Iso2022Jp}};
  for (const auto& name : kNames) {
    if (value == name.name) {
      *encoding = name.encoding;
      return true;
    }
  }
  return false;
}

bool parseLineEnds(const std::string& value, LineEnds* ends) {
  if (value == "auto" || value == "cr" || value == "lf") {
    *ends = value == "auto" ? LineEnds::Auto
            : value == "cr" ? LineEnds::Cr
                            : LineEnds::Lf;
    return true;
  }
  return false;
}

}  // namespace

CommandParse parseCommandLine(const std::vector<std::string>& args) {
  CommandParse parse;
  CommandOptions& options = parse.options;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.logs.push_back(arg);  // also "-" alone: a file of that name
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg[1] == '-') {
      const size_t equals = arg.find('=');
      const std::string name = arg.substr(2, equals - 2);
      if (name == "log-encoding" || name == "line-ends") {
        std::string value;
        if (equals != std::string::npos) {
          value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
          value = args[++i];
        }
        const bool known =
            name == "log-encoding"
                ? parseEncoding(value, &options.logChoice.encoding)
                : parseLineEnds(value, &options.logChoice.lineEnds);
        if (!known) {
          parse.error =
              "option --" + name +
              (name == "log-encoding" ? " takes auto, sjis, utf-8, euc-jp or "
                                        "iso-2022-jp"
                                      : " takes auto, cr or lf");
          return parse;
        }
        continue;
      }
      if (name == "output") {
        if (equals != std::string::npos) {
          options.output = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
          options.output = args[++i];
        } else {
          parse.error = "option --output needs a file name";
          return parse;
        }
        if (options.output.empty()) {
          parse.error = "option --output needs a file name";
          return parse;
        }
        continue;
      }
      bool* flag = name == "append"    ? &options.append
                   : name == "quiet"   ? &options.quiet
                   : name == "verbose" ? &options.verbose
                   : name == "help"    ? &options.help
                   : name == "version" ? &options.version
                                       : nullptr;
      if (flag == nullptr || equals != std::string::npos) {
        parse.error = "unknown option " + arg;
        return parse;
      }
      *flag = true;
      continue;
    }
    // Short options, possibly bundled ("-aq", "-oOUT", "-ao OUT").
    for (size_t k = 1; k < arg.size(); ++k) {
      const char option = arg[k];
      if (takesValue(option)) {
        if (k + 1 < arg.size()) {
          options.output = arg.substr(k + 1);
        } else if (i + 1 < args.size() && !args[i + 1].empty()) {
          options.output = args[++i];
        } else {
          parse.error = "option -o needs a file name";
          return parse;
        }
        break;
      }
      if (!applyFlag(option, options)) {
        parse.error = std::string("unknown option -") + option;
        return parse;
      }
    }
  }
  if (!options.help && !options.version && options.logs.empty()) {
    parse.error = "no log given";
  }
  return parse;
}

std::string usageLine(const std::string& program) {
  return "usage: " + program + " [-o OUT] [-a] [-q] [-v] LOG...";
}

std::string helpText(const std::string& program, HelpLayout layout) {
  struct Option {
    const char* names;
    const char* text;
  };
  static constexpr Option kOptions[] = {
      {"-o, --output OUT",
       "the output file (default kanbel.ren; a name"
       " without \".\" gets \".ren\")"},
      {"-a, --append", "add to OUT instead of writing it anew"},
      {"-q, --quiet", "no progress line and no summary"},
      {"-v, --verbose",
       "a line per log and the summary, also when not on"
       " a terminal"},
      {"    --log-encoding E",
       "how the logs' text is written: auto (default: decided from each"
       " log), sjis, utf-8, euc-jp or iso-2022-jp; other than Shift-JIS it"
       " is converted to Shift-JIS as it is read"},
      {"    --line-ends L",
       "what ends the logs' lines: auto (default: LF when a log's first 64"
       " KiB have LF and no CR), cr (CR or CR LF) or lf"},
      {"-h, --help", "this text"},
      {"    --version", "the program's version"},
  };
  std::string text = usageLine(program) + "\n";
  text +=
      "Converts the forum logs, in the order given, into one Kanbel text "
      "file.\nWithout arguments the program asks for each log and output in "
      "its window.\n\n";
  for (const Option& option : kOptions) {
    if (layout == HelpLayout::Box) {
      std::string_view names = option.names;
      names.remove_prefix(names.find('-'));
      text += std::string(names) + ": " + option.text + "\n";
      continue;
    }
    // Two columns; a text longer than the line goes on below.
    std::string names = std::string("  ") + option.names;
    if (names.size() >= 20) {
      // Names too long for their column stand on a line of their own.
      text += names + "\n";
      names.clear();
    }
    names.resize(20, ' ');
    std::string rest = option.text;
    while (rest.size() > 58) {
      const size_t cut = rest.rfind(' ', 58);
      text += names + rest.substr(0, cut) + "\n";
      names.assign(20, ' ');
      rest = rest.substr(cut + 1);
    }
    text += names + rest + "\n";
  }
  text +=
      "\nExit status: 0 done, 1 run-time error, 2 usage error, 128+N signal "
      "N.\n";
  return text;
}

std::string versionText(const std::string& program) {
  return program + " 0.20\n";
}

std::string normalizedOutputName(const std::string& name) {
  ByteString choice = trimLeadingBlanks(ByteString(std::string_view(name)));
  if (findBytes(1, choice, ".") <= 1) {
    choice = concatenate(choice, kOutputExtension);
  }
  return choice.str();
}

}  // namespace tess
