// The udev rule we ship: its syntax as udev reads it, and what it matches
// among emulated devices, with the attributes udev would see.
#include <zq40emu/zq40emu.h>

#include <gtest/gtest.h>
#include <libudev.h>

#include <fnmatch.h>

#include <cctype>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Term {
    std::string key;  // SUBSYSTEM, ATTRS, ...
    std::string attr; // the name in ATTRS{name}
    std::string op;
    std::string value;
};
using Rule = std::vector<Term>;

struct RuleFile {
    std::vector<Rule> active;
    std::vector<Rule> commented; // rules shown as an alternative in a comment
    std::vector<std::string> errors;
};

const std::set<std::string> kMatchKeys = {"ACTION",  "KERNEL",     "SUBSYSTEM", "ATTR", "ATTRS",
                                          "KERNELS", "SUBSYSTEMS", "DRIVERS",   "ENV",  "TAG"};
const std::set<std::string> kAssignKeys = {"TAG", "GROUP", "MODE", "OWNER", "ENV", "SYMLINK", "RUN"};

// One rule line: comma-separated KEY[{attr}] OP "value" terms.
bool parseRule(const std::string& line, Rule& rule, std::string& error)
{
    std::size_t i = 0;
    auto skipSpace = [&] {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
    };
    while (true) {
        skipSpace();
        Term t;
        while (i < line.size() && std::isupper(static_cast<unsigned char>(line[i])))
            t.key += line[i++];
        if (t.key.empty())
            return error = "no key at column " + std::to_string(i), false;
        if (i < line.size() && line[i] == '{') {
            const std::size_t close = line.find('}', i);
            if (close == std::string::npos)
                return error = "unclosed {", false;
            t.attr = line.substr(i + 1, close - i - 1);
            i = close + 1;
        }
        skipSpace();
        for (const char* op : {"==", "!=", "+=", "-=", ":=", "="}) {
            if (line.compare(i, std::string(op).size(), op) == 0) {
                t.op = op;
                i += t.op.size();
                break;
            }
        }
        if (t.op.empty())
            return error = "no operator after " + t.key, false;
        skipSpace();
        if (i >= line.size() || line[i] != '"')
            return error = "value of " + t.key + " not quoted", false;
        const std::size_t end = line.find('"', i + 1);
        if (end == std::string::npos)
            return error = "unclosed quote", false;
        t.value = line.substr(i + 1, end - i - 1);
        i = end + 1;
        const bool match = t.op == "==" || t.op == "!=";
        if (match && !kMatchKeys.count(t.key))
            return error = t.key + " cannot be matched", false;
        if (!match && !kAssignKeys.count(t.key))
            return error = t.key + " cannot be assigned", false;
        if ((t.key == "ATTR" || t.key == "ATTRS" || t.key == "ENV") == t.attr.empty())
            return error = t.key + " and its {name} do not go together", false;
        rule.push_back(t);
        skipSpace();
        if (i == line.size())
            return true;
        if (line[i] != ',')
            return error = "expected , at column " + std::to_string(i), false;
        ++i;
    }
}

RuleFile readRules(const std::string& path)
{
    RuleFile file;
    std::ifstream in(path);
    if (!in)
        file.errors.push_back("cannot read " + path);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\\')
            file.errors.push_back("line " + std::to_string(n) + " continues");
        bool commented = false;
        if (line.rfind("# ", 0) == 0 && line.find("==") != std::string::npos) {
            line = line.substr(2);
            commented = true;
        } else if (line.empty() || line[0] == '#') {
            continue;
        }
        Rule rule;
        std::string error;
        if (!parseRule(line, rule, error))
            file.errors.push_back("line " + std::to_string(n) + ": " + error);
        else
            (commented ? file.commented : file.active).push_back(rule);
    }
    return file;
}

bool globMatch(const std::string& pattern, const char* value)
{
    return value && fnmatch(pattern.c_str(), value, 0) == 0;
}

// Whether the match terms of `rule` hold for the device at `syspath`, as udev
// evaluates them for an "add" event.
bool matches(const Rule& rule, udev* ctx, const std::string& syspath)
{
    udev_device* dev = udev_device_new_from_syspath(ctx, syspath.c_str());
    if (!dev)
        return false;
    bool all = true;
    for (const Term& t : rule) {
        if (t.op != "==" && t.op != "!=")
            continue;
        bool hit = false;
        if (t.key == "SUBSYSTEM") {
            hit = globMatch(t.value, udev_device_get_subsystem(dev));
        } else if (t.key == "KERNEL") {
            hit = globMatch(t.value, udev_device_get_sysname(dev));
        } else if (t.key == "ACTION") {
            hit = globMatch(t.value, "add");
        } else if (t.key == "ATTR") {
            hit = globMatch(t.value, udev_device_get_sysattr_value(dev, t.attr.c_str()));
        } else if (t.key == "ATTRS") {
            for (udev_device* d = dev; d && !hit; d = udev_device_get_parent(d))
                hit = globMatch(t.value, udev_device_get_sysattr_value(d, t.attr.c_str()));
        } else {
            ADD_FAILURE() << "the test does not evaluate " << t.key;
        }
        all = all && (t.op == "==" ? hit : !hit);
    }
    udev_device_unref(dev);
    return all;
}

bool anyRuleMatches(const std::vector<Rule>& rules, const std::string& syspath)
{
    udev* ctx = udev_new();
    bool any = false;
    for (const Rule& r : rules)
        any = any || matches(r, ctx, syspath);
    udev_unref(ctx);
    return any;
}

bool has(const Rule& rule, const std::string& key, const std::string& op, const std::string& value,
         const std::string& attr = {})
{
    for (const Term& t : rule)
        if (t.key == key && t.op == op && t.value == value && t.attr == attr)
            return true;
    return false;
}

const std::string kRulePath = ZQ40_UDEV_RULE_PATH;

} // namespace

TEST(UdevRule, NamedToRunBeforeTheSeatRules)
{
    const std::string name = kRulePath.substr(kRulePath.rfind('/') + 1);
    ASSERT_TRUE(std::isdigit(static_cast<unsigned char>(name[0])) && std::isdigit(static_cast<unsigned char>(name[1])));
    EXPECT_LT(std::stoi(name.substr(0, 2)), 73) << "73-seat-late.rules turns uaccess into an ACL";
    EXPECT_EQ(name.substr(name.size() - 6), ".rules");
}

TEST(UdevRule, ParsesAsUdevRules)
{
    const RuleFile file = readRules(kRulePath);
    for (const std::string& e : file.errors)
        ADD_FAILURE() << e;
    ASSERT_EQ(file.active.size(), 1u);
    const Rule& seat = file.active[0];
    EXPECT_TRUE(has(seat, "KERNEL", "==", "hidraw*"));
    EXPECT_TRUE(has(seat, "ATTRS", "==", "3a5b", "idVendor"));
    EXPECT_TRUE(has(seat, "TAG", "+=", "uaccess"));
    EXPECT_TRUE(has(seat, "GROUP", "=", "zq40")); // zq40d's, and seatless accounts'
    EXPECT_TRUE(has(seat, "MODE", "=", "0660"));
}

TEST(UdevRule, ParserRejectsBrokenLines)
{
    Rule rule;
    std::string error;
    EXPECT_FALSE(parseRule("KERNEL==hidraw*", rule, error));
    EXPECT_FALSE(parseRule("KERNEL==\"hidraw*\" TAG+=\"uaccess\"", rule, error));
    EXPECT_FALSE(parseRule("ATTRS==\"3a5b\"", rule, error));
    EXPECT_FALSE(parseRule("MODE==\"0660\", KERNEL=\"hidraw*\"", rule, error));
    EXPECT_FALSE(parseRule("KERNEL==\"hidraw*", rule, error));
    EXPECT_TRUE(parseRule("KERNEL==\"hidraw*\", TAG+=\"uaccess\"", rule, error)) << error;
}

// Every way a unit shows up on the bus: in its application and in its
// bootloader; another vendor's HID device is left alone.
TEST(UdevRule, MatchesEmulatedUnitsOnly)
{
    const RuleFile file = readRules(kRulePath);
    ASSERT_TRUE(file.errors.empty());
    zq40emu::Testbed bed;
    zq40emu::Unit& unit = bed.plug();
    zq40emu::UnitConfig bootConfig;
    bootConfig.version.ser = 4242;
    bootConfig.startInBootloader = true;
    zq40emu::Unit& boot = bed.plug(bootConfig);
    zq40emu::Unit& foreign = bed.plugForeign(0x046D, 0xC52B, "USB Receiver");

    EXPECT_EQ(unit.config().vendorId, zq40emu::kVendorId);
    EXPECT_TRUE(anyRuleMatches(file.active, unit.sysfsPath()));
    EXPECT_TRUE(anyRuleMatches(file.active, boot.sysfsPath()));
    EXPECT_FALSE(anyRuleMatches(file.active, foreign.sysfsPath()));
    // Not the USB device or interface above the node: only hidraw is opened.
    EXPECT_FALSE(anyRuleMatches(file.active, unit.usbSysfsPath()));
}
