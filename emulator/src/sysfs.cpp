#include "sysfs.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace zq40emu::detail {
namespace {

void writeFile(const fs::path& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out)
        throw std::system_error(errno, std::generic_category(), "cannot write " + path.string());
}

void writeText(const fs::path& path, const std::string& text)
{
    writeFile(path, text.data(), text.size());
}

// A symlink at `link` pointing to `target`, both absolute inside the testbed,
// made relative as sysfs does.
void relativeSymlink(const fs::path& target, const fs::path& link)
{
    fs::create_directories(link.parent_path());
    fs::create_symlink(target.lexically_relative(link.parent_path()), link);
}

std::string flatName(std::string name)
{
    for (char& c : name)
        if (c == '/')
            c = '_';
    return name;
}

void removeQuietly(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

} // namespace

std::string DeviceRecord::ueventText() const
{
    std::string text;
    for (const auto& [key, value] : properties)
        text += key + "=" + value + "\n";
    return text;
}

void SysfsTree::add(const DeviceRecord& r) const
{
    const fs::path root(root_);
    const fs::path sys = root / "sys";
    const fs::path dir = root / r.syspath().substr(1);
    fs::create_directories(dir);

    if (r.onBus) {
        relativeSymlink(sys / "bus" / r.subsystem, dir / "subsystem");
        relativeSymlink(dir, sys / "bus" / r.subsystem / "devices" / dir.filename());
    } else {
        relativeSymlink(sys / "class" / r.subsystem, dir / "subsystem");
        relativeSymlink(dir, sys / "class" / r.subsystem / dir.filename());
    }

    writeText(dir / "uevent", r.ueventText());
    for (const auto& [name, value] : r.attributes) {
        fs::create_directories((dir / name).parent_path());
        writeText(dir / name, value + "\n");
    }
    for (const auto& [name, bytes] : r.binaryAttributes)
        writeFile(dir / name, bytes.data(), bytes.size());
    for (const auto& [name, target] : r.links) {
        fs::create_directories((dir / name).parent_path());
        fs::create_symlink(target, dir / name);
    }

    if (!r.majmin.empty()) {
        writeText(dir / "dev", r.majmin + "\n");
        relativeSymlink(dir, sys / "dev" / "char" / r.majmin);
    }
    if (!r.devname.empty()) {
        // umockdev's preload answers stat() with the major:minor kept here
        const fs::path info = root / "dev" / ".node" / flatName(r.devname);
        fs::create_directories(info.parent_path());
        fs::create_symlink(r.majmin, info);

        const fs::path node = root / "dev" / r.devname;
        fs::create_directories(node.parent_path());
        if (!r.nodeTarget.empty()) {
            fs::create_symlink(r.nodeTarget, node);
            // lets the preload's isatty() tell our pty from a terminal
            const fs::path map = root / "dev" / ".ptymap" / flatName(r.nodeTarget);
            fs::create_directories(map.parent_path());
            fs::create_symlink(r.majmin, map);
        } else {
            writeFile(node, r.nodeContents.data(), r.nodeContents.size());
        }
    }
}

void SysfsTree::remove(const DeviceRecord& r) const
{
    const fs::path root(root_);
    const fs::path sys = root / "sys";
    const fs::path dir = root / r.syspath().substr(1);

    if (!r.devname.empty()) {
        removeQuietly(root / "dev" / r.devname);
        removeQuietly(root / "dev" / ".node" / flatName(r.devname));
        // the kernel hands the pty number out again
        if (!r.nodeTarget.empty())
            removeQuietly(root / "dev" / ".ptymap" / flatName(r.nodeTarget));
    }
    if (!r.majmin.empty())
        removeQuietly(sys / "dev" / "char" / r.majmin);
    if (r.onBus)
        removeQuietly(sys / "bus" / r.subsystem / "devices" / dir.filename());
    else
        removeQuietly(sys / "class" / r.subsystem / dir.filename());

    std::error_code ec;
    fs::remove_all(dir, ec);
}

} // namespace zq40emu::detail
