// A small parser for one command's arguments: flags, options with a value, positional arguments
// in any order, and "--" after which everything is positional.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

// A mistake in how the tool was called: exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionRule {
    std::string longName;  // "long" for --long
    char shortName = 0;    // 'C' for -C, 0 for none
    bool takesValue = false;
};

class ParsedArgs {
public:
    bool Has(const std::string& longName) const { return flags_.count(longName) != 0; }
    // The option's value, or nothing when it was not given. Given twice, the last one counts.
    std::optional<std::string> Value(const std::string& longName) const;
    const std::vector<std::string>& Positional() const { return positional_; }
    // Throws UsageError unless there are between `least` and `most` positional arguments.
    void ExpectPositional(std::size_t least, std::size_t most, const std::string& what) const;

private:
    friend ParsedArgs ParseOptions(const std::vector<std::string>&, const std::vector<OptionRule>&);
    std::set<std::string> flags_;
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
};

// Accepts "--name", "--name=value", "--name value", "-x", "-x value", "-xvalue" and bundled
// short flags ("-lq"). A lone "-" is positional. Throws UsageError for an unknown option or a
// missing value.
ParsedArgs ParseOptions(const std::vector<std::string>& args, const std::vector<OptionRule>& rules);

}  // namespace cli
