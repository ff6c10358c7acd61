#include "cli/Options.h"

#include <algorithm>

namespace cli {

namespace {

const OptionRule* FindLong(const std::vector<OptionRule>& rules, const std::string& name) {
    const auto found = std::find_if(rules.begin(), rules.end(),
                                    [&](const OptionRule& rule) { return rule.longName == name; });
    return found == rules.end() ? nullptr : &*found;
}

const OptionRule* FindShort(const std::vector<OptionRule>& rules, char name) {
    const auto found = std::find_if(rules.begin(), rules.end(),
                                    [&](const OptionRule& rule) { return rule.shortName == name; });
    return found == rules.end() ? nullptr : &*found;
}

class Parser {
public:
    Parser(const std::vector<std::string>& args, const std::vector<OptionRule>& rules)
        : args_(args), rules_(rules) {}

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
        const OptionRule* rule = FindLong(rules_, name);
        if (!rule) throw UsageError("unknown option --" + name);
        flags.insert(rule->longName);
        if (!rule->takesValue) {
            if (equals != std::string::npos)
                throw UsageError("the option --" + name + " takes no value");
            return;
        }
        values[rule->longName] =
            equals != std::string::npos ? text.substr(equals + 1) : TakeValue("--" + name);
    }

    void Short(const std::string& letters, std::set<std::string>& flags,
               std::map<std::string, std::string>& values) {
        for (std::size_t i = 0; i < letters.size(); ++i) {
            const OptionRule* rule = FindShort(rules_, letters[i]);
            if (!rule) throw UsageError(std::string("unknown option -") + letters[i]);
            flags.insert(rule->longName);
            if (!rule->takesValue) continue;
            const std::string rest = letters.substr(i + 1);
            values[rule->longName] = rest.empty() ? TakeValue(std::string("-") + letters[i]) : rest;
            return;
        }
    }

    std::string TakeValue(const std::string& option) {
        if (next_ >= args_.size()) throw UsageError("the option " + option + " needs a value");
        return args_[next_++];
    }

    const std::vector<std::string>& args_;
    const std::vector<OptionRule>& rules_;
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
                        const std::vector<OptionRule>& rules) {
    ParsedArgs parsed;
    Parser(args, rules).Parse(parsed.flags_, parsed.values_, parsed.positional_);
    return parsed;
}

}  // namespace cli
