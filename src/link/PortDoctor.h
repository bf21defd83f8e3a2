#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvid {

// One finding of the connection doctor: what was looked at, how it stands, the cause in one
// line and the fix in one line (a command to copy where there is one).
struct DoctorCheck {
    enum class Status { Pass, Warn, Fail };
    std::string name;
    Status status = Status::Pass;
    std::string cause;
    std::string fix = {};
};

// "pass", "warn" or "fail".
std::string StatusWord(DoctorCheck::Status status);
// The findings as text: a line a check ("fail  Port: …"), its fix on the next, each line after
// `indent`.
std::string FindingsText(const std::vector<DoctorCheck>& checks, const std::string& indent = "");

// What a node in /dev is.
struct NodeFacts {
    bool exists = false;
    bool characterDevice = false;
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    // The permission bits (0660).
    std::uint32_t mode = 0;
};

// The machine as the doctor reads it: files under a root (/ on a real machine, a made-up tree
// in the tests) and who the user is.
class SystemView {
public:
    explicit SystemView(std::filesystem::path root) : root_(std::move(root)) {}
    virtual ~SystemView() = default;
    SystemView(const SystemView&) = delete;
    SystemView& operator=(const SystemView&) = delete;

    // The machine this program runs on, as this user.
    static const SystemView& ThisMachine();

    // `path` is absolute as on the machine ("/proc/1/comm"); it is read under the root.
    std::optional<std::string> ReadText(const std::string& path) const;
    // The names in a folder, sorted (none when it cannot be read).
    std::vector<std::string> List(const std::string& path) const;
    // Where a symbolic link points, as written in it.
    std::optional<std::string> LinkTarget(const std::string& path) const;
    // The folder a path resolves to, links followed, as the machine names it.
    std::optional<std::string> Resolved(const std::string& path) const;
    virtual NodeFacts Node(const std::string& path) const;
    // Whether this user may read and write the node: by its owner, group and mode here; the real
    // machine asks the kernel, which knows the ACLs the udev rule grants too.
    virtual bool MayOpen(const std::string& path, const NodeFacts& node) const;
    // Who runs the doctor: user and group IDs, and this process (left out of the holders).
    virtual std::uint32_t UserId() const;
    virtual std::vector<std::uint32_t> GroupIds() const;
    virtual int ProcessId() const;

protected:
    std::filesystem::path Under(const std::string& path) const;

private:
    std::filesystem::path root_;
};

// The pedal's bridge and where the udev rule goes.
namespace doctor {
inline constexpr const char* kVendorId = "0403";
inline constexpr const char* kProductId = "6015";
inline constexpr const char* kRuleName = "70-corvid-mk3.rules";
inline constexpr const char* kRulePath = "/usr/lib/udev/rules.d/70-corvid-mk3.rules";
} // namespace doctor

// A USB serial bridge as the kernel lists it.
struct Bridge {
    // "ttyUSB0"
    std::string name;
    std::string vendorId;
    std::string productId;
    std::string description;
    std::string serialNumber;
    // The kernel driver bound to it ("ftdi_sio").
    std::string driver;
    bool Ours() const { return vendorId == doctor::kVendorId && productId == doctor::kProductId; }
    std::string Port() const { return "/dev/" + name; }
};

// Whether a path names a terminal line (a serial port or a pseudo-terminal), links followed:
// /dev/null or a file is not one.
bool IsSerialPort(const SystemView& system, const std::string& port);

// A port named on a command line, checked before anything opens it: nullopt when it can be used,
// else the failed check (no such port, not a serial port, not this user's to open).
std::optional<DoctorCheck> RefusedPort(const SystemView& system, const std::string& port);

// The bridges under /sys/bus/usb-serial/devices.
std::vector<Bridge> ListBridges(const SystemView& system);

// The checks that need no pedal: the bridges, the port node and who may open it, the udev rule,
// other programs holding the port, ModemManager, brltty and the latency timer. `port` is the one
// named by the user; empty: the pedal's bridge. `lineNotTried` says why a Request over the port
// would be pointless (no port, or one that cannot be used); empty when it can be tried.
std::vector<DoctorCheck> CheckSystem(const SystemView& system, const std::string& port,
                                     std::string& lineNotTried);

} // namespace corvid
