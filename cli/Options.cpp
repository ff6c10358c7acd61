#include "cli/Options.h"

#include <algorithm>

namespace cli {

namespace {

const OptionSpec* FindLong(const std::vector<OptionSpec>& specs, const std::string& name) {
    const auto found = std::find_if(specs.begin(), specs.end(),
                                    [&](const OptionSpec& spec) { return spec.longName == name; });
    return found == specs.end() ? nullptr : &*found;
}

const OptionSpec* FindShort(const std::vector<OptionSpec>& specs, char name) {
    const auto found = std::find_if(specs.begin(), specs.end(),
                                    [&](const OptionSpec& spec) { return spec.shortName == name; });
    return found == specs.end() ? nullptr : &*found;
}

class Parser {
public:
    Parser(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs)
        : args_(args), specs_(specs) {}

    // Reads every argument into the three maps of ParsedArgs.
    void Parse(std::set<std::string>& flags, std::map<std::string, std::string>& values,
               std::vector<std::string>& positional) {
        bool optionsEnded = false;
        for (next_ = 0; next_ < args_.size();) {
            const std::string& arg = args_[next_++];
            if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
                positional.push_back(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (arg.starts_with("--")) {
                Long(arg.substr(2), flags, values);
            } else {
                Short(arg.substr(1), flags, values);
            }
        }
    }

private:
    void Long(const std::string& text, std::set<std::string>& flags,
              std::map<std::string, std::string>& values) {
        const std::size_t equals = text.find('=');
        const std::string name = text.substr(0, equals);
        const OptionSpec* spec = FindLong(specs_, name);
        if (!spec) throw UsageError("unknown option --" + name);
        flags.insert(spec->longName);
        if (!spec->takesValue) {
            if (equals != std::string::npos)
                throw UsageError("the option --" + name + " takes no value");
            return;
        }
        values[spec->longName] =
            equals != std::string::npos ? text.substr(equals + 1) : TakeValue("--" + name);
    }

    void Short(const std::string& letters, std::set<std::string>& flags,
               std::map<std::string, std::string>& values) {
        for (std::size_t i = 0; i < letters.size(); ++i) {
            const OptionSpec* spec = FindShort(specs_, letters[i]);
            if (!spec) throw UsageError(std::string("unknown option -") + letters[i]);
            flags.insert(spec->longName);
            if (!spec->takesValue) continue;
            const std::string rest = letters.substr(i + 1);
            values[spec->longName] = rest.empty() ? TakeValue(std::string("-") + letters[i]) : rest;
            return;
        }
    }

    std::string TakeValue(const std::string& option) {
        if (next_ >= args_.size()) throw UsageError("the option " + option + " needs a value");
        return args_[next_++];
    }

    const std::vector<std::string>& args_;
    const std::vector<OptionSpec>& specs_;
    std::size_t next_ = 0;
};

}  // namespace

std::optional<std::string> ParsedArgs::Value(const std::string& longName) const {
    const auto found = values_.find(longName);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

void ParsedArgs::ExpectPositional(std::size_t least, std::size_t most,
                                  const std::string& what) const {
    if (positional_.size() < least) throw UsageError("missing " + what);
    if (positional_.size() > most)
        throw UsageError("unexpected argument \"" + positional_[most] + "\"");
}

ParsedArgs ParseOptions(const std::vector<std::string>& args,
                        const std::vector<OptionSpec>& specs) {
    ParsedArgs parsed;
    Parser(args, specs).Parse(parsed.flags_, parsed.values_, parsed.positional_);
    return parsed;
}

}  // namespace cli
