#include "shell/command_line.h"

#include "runtime/byte_string.h"
#include "shell/dialogs.h"
#include "shell/shell_texts.inc"

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
  auto fail = [&](Text error, std::string argument) {
    parse.error = error;
    parse.errorArgument = std::move(argument);
    return parse;
  };
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
          return fail(name == "log-encoding" ? Text::EncodingChoices
                                             : Text::LineEndChoices,
                      "--" + name);
        }
        continue;
      }
      if (name == "output") {
        if (equals != std::string::npos) {
          options.output = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
          options.output = args[++i];
        } else {
          return fail(Text::OptionNeedsName, "--output");
        }
        if (options.output.empty()) {
          return fail(Text::OptionNeedsName, "--output");
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
        return fail(Text::UnknownOption, arg);
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
          return fail(Text::OptionNeedsName, "-o");
        }
        break;
      }
      if (!applyFlag(option, options)) {
        return fail(Text::UnknownOption, std::string("-") + option);
      }
    }
  }
  if (!options.help && !options.version && options.logs.empty()) {
    parse.error = Text::NoLogGiven;
  }
  return parse;
}

std::string versionText(const std::string& program) {
  return program + " 0.20\n";
}

namespace {

// The bytes of the blank at the front of text: a half-width blank, or a
// full-width one in the names' encoding; 0 when text starts otherwise.
size_t blankAt(std::string_view text, bool sjisNames) {
  if (text.substr(0, 1) == " ") return 1;
  const std::string_view sjisBlank = texts::kFullWidthBlank;
  if (sjisNames && text.starts_with(sjisBlank)) return sjisBlank.size();
  // The full-width blank in UTF-8 (U+3000), for names in the locale's
  // encoding.
  if (!sjisNames && text.substr(0, 3) == "\xE3\x80\x80") return 3;
  return 0;
}

std::string_view withoutLeadingBlanks(std::string_view text, bool sjisNames) {
  while (const size_t n = blankAt(text, sjisNames)) text.remove_prefix(n);
  return text;
}

// Where the name part starts. Names in the file system's own encoding on
// POSIX are looked at byte by byte (no byte of a UTF-8 character equals a
// separator); Shift-JIS names step over double-byte characters.
size_t namePartStart(std::string_view name, const platform::FileSystem& fs,
                     bool sjisNames) {
  if (sjisNames) return nameStart(name, fs);
  size_t start = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    if (fs.isSeparator(static_cast<unsigned char>(name[i]))) start = i + 1;
  }
  return start;
}

}  // namespace

std::string normalizedOutputName(std::string_view name,
                                 const platform::FileSystem& fs,
                                 bool sjisNames) {
  const std::string_view trimmed = withoutLeadingBlanks(name, sjisNames);
  std::string result(trimmed);
  const std::string_view part =
      trimmed.substr(namePartStart(trimmed, fs, sjisNames));
  // "." is a single byte in both encodings and never the second byte of a
  // Shift-JIS character.
  if (part.find('.') == std::string_view::npos) result += kOutputExtension;
  return result;
}

std::optional<Text> outputNameFault(std::string_view name,
                                    const platform::FileSystem& fs,
                                    bool sjisNames) {
  const std::string_view trimmed = withoutLeadingBlanks(name, sjisNames);
  const size_t start = namePartStart(trimmed, fs, sjisNames);
  if (!trimmed.empty() && start == trimmed.size()) {
    return Text::OutputEndsInSeparator;
  }
  if (withoutLeadingBlanks(trimmed.substr(start), sjisNames).empty()) {
    return Text::OutputNameBlank;
  }
  return std::nullopt;
}

}  // namespace tess
