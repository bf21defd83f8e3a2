#include "link/PortDoctor.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace corvid {
namespace {

std::string Trimmed(std::string text) {
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), isSpace));
    text.erase(std::find_if_not(text.rbegin(), text.rend(), isSpace).base(), text.end());
    return text;
}

std::string TextOr(const SystemView& system, const std::string& path, const std::string& none) {
    const std::optional<std::string> text = system.ReadText(path);
    return text ? Trimmed(*text) : none;
}

// The name /etc/passwd or /etc/group gives an ID (the number when it has none).
std::string NameOf(const SystemView& system, const std::string& file, std::uint32_t id) {
    std::istringstream lines(system.ReadText(file).value_or(""));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, ':');) {
            fields.push_back(field);
        }
        if (fields.size() > 2 && fields[2] == std::to_string(id)) {
            return fields[0];
        }
    }
    return std::to_string(id);
}

std::string ModeText(std::uint32_t mode) {
    std::ostringstream text;
    text << '0' << std::oct << (mode & 0777);
    return text.str();
}

constexpr const char* kRuleFolders[] = {"/etc/udev/rules.d", "/usr/lib/udev/rules.d",
                                        "/lib/udev/rules.d"};

// The first rules file of that name, and its text.
std::optional<std::pair<std::string, std::string>> FindRule(const SystemView& system,
                                                            const std::string& name) {
    for (const char* folder : kRuleFolders) {
        const std::string path = std::string(folder) + "/" + name;
        if (const std::optional<std::string> text = system.ReadText(path)) {
            return std::make_pair(path, *text);
        }
    }
    return std::nullopt;
}

// The processes, by ID, with their names.
std::vector<std::pair<std::string, std::string>> Processes(const SystemView& system) {
    std::vector<std::pair<std::string, std::string>> found;
    for (const std::string& entry : system.List("/proc")) {
        if (!entry.empty() && std::all_of(entry.begin(), entry.end(), ::isdigit)) {
            // comm is cut at 15 characters; the program's own name is the first word of cmdline.
            const std::string command = system.ReadText("/proc/" + entry + "/cmdline").value_or("");
            const std::string program =
                std::filesystem::path(command.substr(0, command.find('\0'))).filename().string();
            found.emplace_back(
                entry, program.empty() ? TextOr(system, "/proc/" + entry + "/comm", "?") : program);
        }
    }
    return found;
}

// One literal, kept whole in the program (pieces of it would be folded into the code).
constexpr const char* kInstallRule =
    "sudo install -m 644 packaging/70-corvid-mk3.rules /etc/udev/rules.d/ && sudo udevadm "
    "control --reload && sudo udevadm trigger --attr-match=idVendor=0403";

DoctorCheck BridgeCheck(const std::vector<Bridge>& bridges, const std::string& namedPort) {
    const auto ours = std::find_if(bridges.begin(), bridges.end(),
                                   [](const Bridge& bridge) { return bridge.Ours(); });
    if (ours != bridges.end()) {
        DoctorCheck check{"Bridge", DoctorCheck::Status::Pass,
                          "The pedal's bridge: " + ours->description + ", serial " +
                              ours->serialNumber + ", " + ours->vendorId + ":" + ours->productId +
                              ", " + ours->Port() + " (" + ours->driver + ")"};
        if (ours->driver != "ftdi_sio") {
            check.status = DoctorCheck::Status::Warn;
            check.cause += ": driven by " + ours->driver + ", not ftdi_sio";
            check.fix = "sudo modprobe ftdi_sio, then plug the pedal in again";
        }
        return check;
    }
    std::string others;
    for (const Bridge& bridge : bridges) {
        others += (others.empty() ? "" : ", ") + bridge.vendorId + ":" + bridge.productId + " " +
                  bridge.description + " (" + bridge.Port() + ")";
    }
    if (!namedPort.empty()) {
        return {"Bridge", DoctorCheck::Status::Pass,
                (bridges.empty() ? std::string("No USB serial bridge") : "Bridges: " + others) +
                    "; the port named is checked: " + namedPort};
    }
    const std::string plug = "Plug the pedal in with a USB data cable (some cables carry only "
                             "power), then run the doctor again";
    if (bridges.empty()) {
        return {"Bridge", DoctorCheck::Status::Fail, "No USB serial bridge is plugged in", plug};
    }
    return {"Bridge", DoctorCheck::Status::Fail,
            "Bridges found, none the pedal's (" + std::string(doctor::kVendorId) + ":" +
                doctor::kProductId + "): " + others,
            plug};
}

DoctorCheck PortCheck(const SystemView& system, const std::string& port) {
    const NodeFacts node = system.Node(port);
    if (!node.exists) {
        return {"Port", DoctorCheck::Status::Fail, "No such port: " + port,
                "Plug the pedal in, or name its port with --port"};
    }
    if (!node.characterDevice || !IsSerialPort(system, port)) {
        return {"Port", DoctorCheck::Status::Fail, port + " is not a serial port",
                "Name the pedal's port, e.g. --port /dev/ttyUSB0"};
    }
    const std::string owner = NameOf(system, "/etc/passwd", node.owner);
    const std::string group = NameOf(system, "/etc/group", node.group);
    const std::string facts = port + " (" + owner + ":" + group + ", " + ModeText(node.mode) + ")";
    if (system.MayOpen(port, node)) {
        return {"Port", DoctorCheck::Status::Pass, facts + ": you may open it"};
    }
    const std::string user = NameOf(system, "/etc/passwd", system.UserId());
    std::string groups;
    for (const std::uint32_t id : system.GroupIds()) {
        groups += (groups.empty() ? "" : ", ") + NameOf(system, "/etc/group", id);
    }
    const std::string cause = facts + ": you (" + user + "; groups " +
                              (groups.empty() ? "none" : groups) + ") may not open it";
    // Joining the group helps only where the group may read and write, and is not root's.
    if ((node.mode & 060) == 060 && node.group != 0) {
        return {"Port", DoctorCheck::Status::Fail, cause,
                "sudo usermod -aG " + group + " " + user +
                    ", then log out and in again (or install the udev rule " + doctor::kRulePath +
                    ")"};
    }
    return {"Port", DoctorCheck::Status::Fail, cause,
            std::string("Install the udev rule ") + doctor::kRulePath +
                " (it gives the logged-in user the pedal's port), or for now: sudo chmod o+rw " +
                port};
}

DoctorCheck RuleCheck(const SystemView& system) {
    const auto rule = FindRule(system, doctor::kRuleName);
    if (!rule) {
        return {"udev rule", DoctorCheck::Status::Warn,
                "The udev rule is not installed: only the port's group may open the pedal, and "
                "ModemManager may probe it",
                kInstallRule};
    }
    if (rule->second.find(std::string("ATTRS{idProduct}==\"") + doctor::kProductId + "\"") ==
        std::string::npos) {
        return {"udev rule", DoctorCheck::Status::Warn,
                rule->first + " does not name the pedal's bridge (0403:6015)", kInstallRule};
    }
    return {"udev rule", DoctorCheck::Status::Pass, rule->first + " matches the pedal's bridge"};
}

std::string HolderFix(const std::string& name, const std::string& pid) {
    if (name == "ModemManager") {
        return "sudo systemctl stop ModemManager (the udev rule " + std::string(doctor::kRulePath) +
               " keeps it away from the pedal)";
    }
    if (name.starts_with("brltty")) {
        return "sudo systemctl mask --now brltty-udev.service brltty.service (if no braille "
               "display is used)";
    }
    return "Close " + name + ", or end it: kill " + pid;
}

DoctorCheck HolderCheck(const SystemView& system, const std::string& port) {
    const std::string self = std::to_string(system.ProcessId());
    for (const auto& [pid, name] : Processes(system)) {
        if (pid == self) {
            continue;
        }
        const std::string fds = "/proc/" + pid + "/fd";
        const std::vector<std::string> open = system.List(fds);
        // A pseudo-terminal's other end (an emulated pedal) holds its master and its port both.
        const bool ptyOwner = port.starts_with("/dev/pts/") &&
                              std::any_of(open.begin(), open.end(), [&](const std::string& fd) {
                                  return system.LinkTarget(fds + "/" + fd) == "/dev/ptmx";
                              });
        for (const std::string& fd : ptyOwner ? std::vector<std::string>{} : open) {
            if (system.LinkTarget(fds + "/" + fd) == port) {
                std::string what = name;
                if (name == "ModemManager") {
                    what = "ModemManager (the modem manager, probing new serial devices)";
                } else if (name.starts_with("brltty")) {
                    what = name + " (the braille display daemon, claiming USB serial bridges)";
                }
                return {"Other programs", DoctorCheck::Status::Fail,
                        port + " is held by " + what + ", pid " + pid, HolderFix(name, pid)};
            }
        }
    }
    // Other users' descriptors cannot be read without root.
    return {"Other programs", DoctorCheck::Status::Pass,
            std::string("No other program") + (system.UserId() == 0 ? "" : " of yours") + " has " +
                port + " open"};
}

DoctorCheck ModemManagerCheck(const SystemView& system) {
    const auto processes = Processes(system);
    const bool running = std::any_of(processes.begin(), processes.end(),
                                     [](const auto& p) { return p.second == "ModemManager"; });
    if (!running) {
        return {"ModemManager", DoctorCheck::Status::Pass, "ModemManager is not running"};
    }
    const auto rule = FindRule(system, doctor::kRuleName);
    if (rule && rule->second.find("ID_MM_DEVICE_IGNORE") != std::string::npos) {
        return {"ModemManager", DoctorCheck::Status::Pass,
                "ModemManager runs; the udev rule tells it to leave the pedal alone"};
    }
    return {"ModemManager", DoctorCheck::Status::Warn,
            "ModemManager runs and nothing tells it to leave the pedal alone: it may probe the "
            "port and hold it for seconds after the pedal is plugged in",
            kInstallRule};
}

DoctorCheck BrlttyCheck(const SystemView& system) {
    const std::string needle = std::string("\"") + doctor::kProductId + "\"";
    for (const char* folder : kRuleFolders) {
        for (const std::string& name : system.List(folder)) {
            if (name.find("brltty") == std::string::npos) {
                continue;
            }
            const std::string path = std::string(folder) + "/" + name;
            std::istringstream lines(system.ReadText(path).value_or(""));
            for (std::string line; std::getline(lines, line);) {
                if (!line.starts_with("#") && line.find("\"0403\"") != std::string::npos &&
                    line.find(needle) != std::string::npos) {
                    return {"brltty", DoctorCheck::Status::Warn,
                            path + " lets brltty claim the pedal's bridge (0403:6015)",
                            "sudo systemctl mask --now brltty-udev.service brltty.service (if no "
                            "braille display is used)"};
                }
            }
        }
    }
    return {"brltty", DoctorCheck::Status::Pass, "No brltty rule claims the pedal's bridge"};
}

DoctorCheck LatencyCheck(const SystemView& system, const std::string& port) {
    const std::string prefix = "/dev/";
    const std::string name = port.starts_with(prefix) ? port.substr(prefix.size()) : port;
    const std::string path = "/sys/bus/usb-serial/devices/" + name + "/latency_timer";
    if (!name.starts_with("ttyUSB")) {
        return {"Latency timer", DoctorCheck::Status::Pass,
                port + " is not a USB bridge: it has no latency timer"};
    }
    const std::optional<std::string> text = system.ReadText(path);
    const std::string fix = "echo 1 | sudo tee " + path + " (the udev rule sets it at plug-in)";
    int ms = 0;
    if (!text || !(std::istringstream(*text) >> ms)) {
        return {"Latency timer", DoctorCheck::Status::Warn, path + " cannot be read", fix};
    }
    if (ms <= 1) {
        return {"Latency timer", DoctorCheck::Status::Pass, std::to_string(ms) + " ms"};
    }
    return {"Latency timer", DoctorCheck::Status::Warn,
            std::to_string(ms) +
                " ms: every bootloader acknowledgement waits up to that long, so the compatible "
                "upgrade and an EEPROM read take longer",
            fix};
}

} // namespace

std::string StatusWord(DoctorCheck::Status status) {
    switch (status) {
    case DoctorCheck::Status::Pass:
        return "pass";
    case DoctorCheck::Status::Warn:
        return "warn";
    case DoctorCheck::Status::Fail:
        break;
    }
    return "fail";
}

std::string FindingsText(const std::vector<DoctorCheck>& checks, const std::string& indent) {
    std::string text;
    for (const DoctorCheck& check : checks) {
        text += indent + StatusWord(check.status) + "  " + check.name + ": " + check.cause + "\n";
        if (!check.fix.empty()) {
            text += indent + "      fix: " + check.fix + "\n";
        }
    }
    return text;
}

std::filesystem::path SystemView::Under(const std::string& path) const {
    return root_ / std::filesystem::path(path).relative_path();
}

std::optional<std::string> SystemView::ReadText(const std::string& path) const {
    std::ifstream file(Under(path), std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> SystemView::List(const std::string& path) const {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(Under(path), error), end; !error && it != end;
         it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> SystemView::LinkTarget(const std::string& path) const {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink(Under(path), error);
    return error ? std::nullopt : std::optional<std::string>(target.string());
}

std::optional<std::string> SystemView::Resolved(const std::string& path) const {
    std::error_code realError;
    std::error_code rootError;
    const std::filesystem::path real = std::filesystem::canonical(Under(path), realError);
    const std::filesystem::path root = std::filesystem::canonical(root_, rootError);
    if (realError || rootError) {
        return std::nullopt;
    }
    return "/" + real.lexically_relative(root).generic_string();
}

NodeFacts SystemView::Node(const std::string& path) const {
    NodeFacts facts;
#ifndef _WIN32
    struct stat status {};
    if (::stat(Under(path).c_str(), &status) != 0) {
        return facts;
    }
    facts.exists = true;
    facts.characterDevice = S_ISCHR(status.st_mode);
    facts.owner = status.st_uid;
    facts.group = status.st_gid;
    facts.mode = status.st_mode & 07777;
#else
    std::error_code error;
    facts.exists = std::filesystem::exists(Under(path), error);
#endif
    return facts;
}

bool SystemView::MayOpen(const std::string& /*path*/, const NodeFacts& node) const {
    const std::uint32_t user = UserId();
    if (user == 0) {
        return true;
    }
    const std::vector<std::uint32_t> groups = GroupIds();
    std::uint32_t bits = node.mode & 06;
    if (node.owner == user) {
        bits = (node.mode >> 6) & 06;
    } else if (std::find(groups.begin(), groups.end(), node.group) != groups.end()) {
        bits = (node.mode >> 3) & 06;
    }
    return bits == 06;
}

std::uint32_t SystemView::UserId() const {
#ifndef _WIN32
    return ::geteuid();
#else
    return 0;
#endif
}

std::vector<std::uint32_t> SystemView::GroupIds() const {
    std::vector<std::uint32_t> ids;
#ifndef _WIN32
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    groups.resize(static_cast<std::size_t>(
        std::max(::getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
    ids.assign(groups.begin(), groups.end());
    ids.push_back(::getegid());
#endif
    return ids;
}

int SystemView::ProcessId() const {
#ifndef _WIN32
    return ::getpid();
#else
    return 0;
#endif
}

namespace {
// The real machine: the kernel decides who may open a port (ACLs from the udev rule included).
class ThisSystem : public SystemView {
public:
    ThisSystem() : SystemView("/") {}
    bool MayOpen(const std::string& path, [[maybe_unused]] const NodeFacts& node) const override {
#ifndef _WIN32
        return ::access(path.c_str(), R_OK | W_OK) == 0;
#else
        return SystemView::MayOpen(path, node);
#endif
    }
};
} // namespace

const SystemView& SystemView::ThisMachine() {
    static const ThisSystem machine;
    return machine;
}

bool IsSerialPort(const SystemView& system, const std::string& port) {
    const std::string real = system.Resolved(port).value_or(port);
    if (real.starts_with("/dev/pts/")) {
        return true;
    }
    const std::vector<std::string> ttys = system.List("/sys/class/tty");
    return std::binary_search(ttys.begin(), ttys.end(),
                              std::filesystem::path(real).filename().string());
}

std::optional<DoctorCheck> RefusedPort(const SystemView& system, const std::string& port) {
    DoctorCheck check = PortCheck(system, port);
    if (check.status != DoctorCheck::Status::Fail) {
        return std::nullopt;
    }
    return check;
}

std::vector<Bridge> ListBridges(const SystemView& system) {
    std::vector<Bridge> bridges;
    const std::string folder = "/sys/bus/usb-serial/devices";
    for (const std::string& name : system.List(folder)) {
        Bridge bridge;
        bridge.name = name;
        if (const std::optional<std::string> port = system.Resolved(folder + "/" + name)) {
            // ttyUSB0 sits in the USB interface, which sits in the USB device.
            const std::string device =
                std::filesystem::path(*port).parent_path().parent_path().generic_string();
            bridge.vendorId = TextOr(system, device + "/idVendor", "?");
            bridge.productId = TextOr(system, device + "/idProduct", "?");
            bridge.description = TextOr(system, device + "/product", "(no description)");
            bridge.serialNumber = TextOr(system, device + "/serial", "(none)");
        }
        const std::optional<std::string> driver =
            system.LinkTarget(folder + "/" + name + "/driver");
        bridge.driver = driver ? std::filesystem::path(*driver).filename().string() : "(none)";
        bridges.push_back(bridge);
    }
    return bridges;
}

std::vector<DoctorCheck> CheckSystem(const SystemView& system, const std::string& port,
                                     std::string& lineNotTried) {
    const std::vector<Bridge> bridges = ListBridges(system);
    std::vector<DoctorCheck> checks{BridgeCheck(bridges, port)};
    std::string portInUse = port;
    if (portInUse.empty()) {
        const auto ours = std::find_if(bridges.begin(), bridges.end(),
                                       [](const Bridge& bridge) { return bridge.Ours(); });
        portInUse = ours != bridges.end() ? ours->Port() : std::string();
    }
    // Holders and the latency timer only mean something for a port that is there.
    bool isPort = false;
    lineNotTried = portInUse.empty() ? "Not tried: no port of the pedal's was found" : "";
    const auto blocking = [&lineNotTried](const DoctorCheck& check) {
        if (check.status == DoctorCheck::Status::Fail) {
            lineNotTried = "Not tried: the port cannot be used";
        }
        return check;
    };
    if (!portInUse.empty()) {
        checks.push_back(blocking(PortCheck(system, portInUse)));
        const NodeFacts node = system.Node(portInUse);
        isPort = node.exists && node.characterDevice && IsSerialPort(system, portInUse);
    }
    checks.push_back(RuleCheck(system));
    if (isPort) {
        checks.push_back(blocking(HolderCheck(system, portInUse)));
    }
    checks.push_back(ModemManagerCheck(system));
    checks.push_back(BrlttyCheck(system));
    if (isPort) {
        checks.push_back(LatencyCheck(system, portInUse));
    }
    return checks;
}

} // namespace corvid
