#include "link/PortDoctor.h"
#include "emulator/EmulatedPedal.h"
#include "support/CoreFixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace corvid::testing {
namespace {

namespace fs = std::filesystem;
using Status = DoctorCheck::Status;

// A made-up machine: files in a temporary tree, the device nodes and the user given.
class FakeSystem : public SystemView {
public:
    explicit FakeSystem(const fs::path& root) : SystemView(root), root_(root) {
        Write("/etc/passwd",
              "root:x:0:0::/root:/bin/sh\nplayer:x:1000:1000::/home/player:/bin/sh\n");
        Write("/etc/group", "root:x:0:\ndialout:x:20:\nplayer:x:1000:\n");
        Write(std::string("/usr/lib/udev/rules.d/") + doctor::kRuleName,
              "SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6015\", "
              "TAG+=\"uaccess\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n");
    }

    void Write(const std::string& path, const std::string& text) const {
        fs::create_directories(At(path).parent_path());
        std::ofstream(At(path), std::ios::binary) << text;
    }
    void Link(const std::string& path, const std::string& target) const {
        fs::create_directories(At(path).parent_path());
        fs::create_symlink(target, At(path));
    }
    // A USB serial bridge as the kernel shows it, at /dev/ttyUSB0 (root:dialout 0660).
    void AddBridge(const std::string& vendor, const std::string& product,
                   const std::string& driver = "ftdi_sio", const std::string& latency = "1") {
        const std::string device = "/sys/devices/usb1/1-1";
        Write(device + "/idVendor", vendor + "\n");
        Write(device + "/idProduct", product + "\n");
        Write(device + "/product", "FT230X Basic UART\n");
        Write(device + "/serial", "KV0MK3E1\n");
        Write(device + "/1-1:1.0/ttyUSB0/latency_timer", latency + "\n");
        Link("/sys/bus/usb-serial/devices/ttyUSB0", "../../../devices/usb1/1-1/1-1:1.0/ttyUSB0");
        Link(device + "/1-1:1.0/ttyUSB0/driver", "../../../../../bus/usb-serial/drivers/" + driver);
        Write("/sys/class/tty/ttyUSB0/dev", "188:0\n");
        nodes["/dev/ttyUSB0"] = {true, true, 0, 20, 0660};
    }
    void AddProcess(const std::string& pid, const std::string& program,
                    const std::vector<std::string>& open) {
        Write("/proc/" + pid + "/cmdline", program + std::string(1, '\0') + "--flag");
        Write("/proc/" + pid + "/comm", fs::path(program).filename().string().substr(0, 15));
        for (std::size_t fd = 0; fd < open.size(); ++fd) {
            Link("/proc/" + pid + "/fd/" + std::to_string(fd), open[fd]);
        }
    }

    NodeFacts Node(const std::string& path) const override {
        const auto found = nodes.find(path);
        return found == nodes.end() ? NodeFacts{} : found->second;
    }
    std::uint32_t UserId() const override { return user; }
    std::vector<std::uint32_t> GroupIds() const override { return groups; }
    int ProcessId() const override { return 1; }

    std::map<std::string, NodeFacts> nodes;
    std::uint32_t user = 1000;
    std::vector<std::uint32_t> groups = {1000, 20};

private:
    fs::path At(const std::string& path) const { return root_ / fs::path(path).relative_path(); }
    fs::path root_;
};

const DoctorCheck* Find(const std::vector<DoctorCheck>& checks, const std::string& name) {
    for (const DoctorCheck& check : checks) {
        if (check.name == name) {
            return &check;
        }
    }
    return nullptr;
}

// Each cause on a made-up machine, and what the doctor says of it: the status, the cause and the
// fix, word for word.
TEST(PortDoctor, EachCauseIsNamedWithItsFix) {
    struct Case {
        std::string what;
        std::function<void(FakeSystem&)> make;
        std::string port;
        std::string check;
        Status status;
        std::string cause;
        std::string fix;
    };
    const std::string plug = "Plug the pedal in with a USB data cable (some cables carry only "
                             "power), then run the doctor again";
    const std::string installRule = "sudo install -m 644 packaging/70-corvid-mk3.rules "
                                    "/etc/udev/rules.d/ && sudo udevadm control --reload && sudo "
                                    "udevadm trigger --attr-match=idVendor=0403";
    const std::vector<Case> cases = {
        {"nothing plugged in", [](FakeSystem&) {}, "", "Bridge", Status::Fail,
         "No USB serial bridge is plugged in", plug},
        {"the pedal's bridge", [](FakeSystem& s) { s.AddBridge("0403", "6015"); }, "", "Bridge",
         Status::Pass,
         "The pedal's bridge: FT230X Basic UART, serial KV0MK3E1, 0403:6015, /dev/ttyUSB0 "
         "(ftdi_sio)",
         ""},
        {"another bridge", [](FakeSystem& s) { s.AddBridge("10c4", "ea60"); }, "", "Bridge",
         Status::Fail,
         "Bridges found, none the pedal's (0403:6015): 10c4:ea60 FT230X Basic UART "
         "(/dev/ttyUSB0)",
         plug},
        {"the wrong driver",
         [](FakeSystem& s) { s.AddBridge("0403", "6015", "usbserial_generic"); }, "", "Bridge",
         Status::Warn,
         "The pedal's bridge: FT230X Basic UART, serial KV0MK3E1, 0403:6015, /dev/ttyUSB0 "
         "(usbserial_generic): driven by usbserial_generic, not ftdi_sio",
         "sudo modprobe ftdi_sio, then plug the pedal in again"},
        {"not in the port's group",
         [](FakeSystem& s) {
             s.AddBridge("0403", "6015");
             s.groups = {1000};
         },
         "", "Port", Status::Fail,
         "/dev/ttyUSB0 (root:dialout, 0660): you (player; groups player) may not open it",
         "sudo usermod -aG dialout player, then log out and in again (or install the udev rule "
         "/usr/lib/udev/rules.d/70-corvid-mk3.rules)"},
        {"in the port's group", [](FakeSystem& s) { s.AddBridge("0403", "6015"); }, "", "Port",
         Status::Pass, "/dev/ttyUSB0 (root:dialout, 0660): you may open it", ""},
        {"the owner without write",
         [](FakeSystem& s) {
             s.nodes["/dev/pts/3"] = {true, true, 1000, 5, 0400};
             s.Write("/dev/pts/3", "");
         },
         "/dev/pts/3", "Port", Status::Fail,
         "/dev/pts/3 (player:5, 0400): you (player; groups player, dialout) may not open it",
         "Install the udev rule /usr/lib/udev/rules.d/70-corvid-mk3.rules (it gives the "
         "logged-in user the pedal's port), or for now: sudo chmod o+rw /dev/pts/3"},
        {"root may open anything",
         [](FakeSystem& s) {
             s.AddBridge("0403", "6015");
             s.nodes["/dev/ttyUSB0"].mode = 0600;
             s.user = 0;
         },
         "", "Port", Status::Pass, "/dev/ttyUSB0 (root:dialout, 0600): you may open it", ""},
        {"no such port", [](FakeSystem&) {}, "/dev/ttyUSB9", "Port", Status::Fail,
         "No such port: /dev/ttyUSB9", "Plug the pedal in, or name its port with --port"},
        {"not a serial port",
         [](FakeSystem& s) {
             s.nodes["/dev/null"] = {true, true, 0, 0, 0666};
         },
         "/dev/null", "Port", Status::Fail, "/dev/null is not a serial port",
         "Name the pedal's port, e.g. --port /dev/ttyUSB0"},
        {"a regular file",
         [](FakeSystem& s) {
             s.nodes["/home/player/x"] = {true, false, 1000, 1000, 0644};
         },
         "/home/player/x", "Port", Status::Fail, "/home/player/x is not a serial port",
         "Name the pedal's port, e.g. --port /dev/ttyUSB0"},
        {"held by ModemManager",
         [](FakeSystem& s) {
             s.AddBridge("0403", "6015");
             s.AddProcess("812", "/usr/sbin/ModemManager", {"/dev/null", "/dev/ttyUSB0"});
         },
         "", "Other programs", Status::Fail,
         "/dev/ttyUSB0 is held by ModemManager (the modem manager, probing new serial devices), "
         "pid 812",
         "sudo systemctl stop ModemManager (the udev rule "
         "/usr/lib/udev/rules.d/70-corvid-mk3.rules keeps it away from the pedal)"},
        {"held by brltty",
         [](FakeSystem& s) {
             s.AddBridge("0403", "6015");
             s.AddProcess("640", "/usr/bin/brltty", {"/dev/ttyUSB0"});
         },
         "", "Other programs", Status::Fail,
         "/dev/ttyUSB0 is held by brltty (the braille display daemon, claiming USB serial "
         "bridges), pid 640",
         "sudo systemctl mask --now brltty-udev.service brltty.service (if no braille display "
         "is used)"},
        {"held by a terminal with a long name",
         [](FakeSystem& s) {
             s.AddBridge("0403", "6015");
             s.AddProcess("4242", "/usr/bin/serial-terminal-program", {"/dev/ttyUSB0"});
         },
         "", "Other programs", Status::Fail,
         "/dev/ttyUSB0 is held by serial-terminal-program, pid 4242",
         "Close serial-terminal-program, or end it: kill 4242"},
        {"a pseudo-terminal's own other end",
         [](FakeSystem& s) {
             s.nodes["/dev/pts/3"] = {true, true, 1000, 5, 0620};
             s.Write("/dev/pts/3", "");
             s.AddProcess("77", "/usr/bin/corvid-pedal-emulator", {"/dev/ptmx", "/dev/pts/3"});
         },
         "/dev/pts/3", "Other programs", Status::Pass,
         "No other program of yours has /dev/pts/3 open", ""},
        {"ModemManager without the rule's flag",
         [](FakeSystem& s) {
             s.Write("/usr/lib/udev/rules.d/70-corvid-mk3.rules",
                     "ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6015\", TAG+=\"uaccess\"\n");
             s.AddProcess("812", "/usr/sbin/ModemManager", {});
         },
         "", "ModemManager", Status::Warn,
         "ModemManager runs and nothing tells it to leave the pedal alone: it may probe the port "
         "and hold it for seconds after the pedal is plugged in",
         installRule},
        {"ModemManager told by the rule",
         [](FakeSystem& s) { s.AddProcess("812", "/usr/sbin/ModemManager", {}); }, "",
         "ModemManager", Status::Pass,
         "ModemManager runs; the udev rule tells it to leave the pedal alone", ""},
        {"brltty's rules claiming the bridge",
         [](FakeSystem& s) {
             s.Write("/lib/udev/rules.d/85-brltty.rules",
                     "# FTDI\nENV{PRODUCT}==\"403/6015/*\", GOTO=\"x\"\n"
                     "ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6015\", "
                     "ENV{BRLTTY_BRAILLE_DRIVER}=\"ht\"\n");
         },
         "", "brltty", Status::Warn,
         "/lib/udev/rules.d/85-brltty.rules lets brltty claim the pedal's bridge (0403:6015)",
         "sudo systemctl mask --now brltty-udev.service brltty.service (if no braille display "
         "is used)"},
        {"brltty's rules for other bridges",
         [](FakeSystem& s) {
             s.Write("/lib/udev/rules.d/85-brltty.rules",
                     "ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\"\n");
         },
         "", "brltty", Status::Pass, "No brltty rule claims the pedal's bridge", ""},
        {"the default latency",
         [](FakeSystem& s) { s.AddBridge("0403", "6015", "ftdi_sio", "16"); }, "", "Latency timer",
         Status::Warn,
         "16 ms: every bootloader acknowledgement waits up to that long, so the compatible "
         "upgrade and an EEPROM read take longer",
         "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB0/latency_timer (the udev rule "
         "sets it at plug-in)"},
        {"the latency the rule sets", [](FakeSystem& s) { s.AddBridge("0403", "6015"); }, "",
         "Latency timer", Status::Pass, "1 ms", ""},
    };
    for (const Case& c : cases) {
        QTemporaryDir root;
        FakeSystem system(root.path().toStdString());
        c.make(system);
        std::string lineNotTried;
        const std::vector<DoctorCheck> checks = CheckSystem(system, c.port, lineNotTried);
        const DoctorCheck* check = Find(checks, c.check);
        ASSERT_NE(check, nullptr) << c.what;
        EXPECT_EQ(StatusWord(check->status), StatusWord(c.status)) << c.what;
        EXPECT_EQ(check->cause, c.cause) << c.what;
        EXPECT_EQ(check->fix, c.fix) << c.what;
    }
}

// Without the rule installed, the rule check says how to install it.
TEST(PortDoctor, AMissingRuleIsAWarningWithTheInstallCommand) {
    QTemporaryDir root;
    FakeSystem system(root.path().toStdString());
    fs::remove(fs::path(root.path().toStdString()) / "usr/lib/udev/rules.d" / doctor::kRuleName);
    std::string used;
    const DoctorCheck* rule = nullptr;
    const std::vector<DoctorCheck> checks = CheckSystem(system, "", used);
    rule = Find(checks, "udev rule");
    ASSERT_NE(rule, nullptr);
    EXPECT_EQ(rule->status, Status::Warn);
    EXPECT_TRUE(rule->fix.starts_with("sudo install -m 644 packaging/70-corvid-mk3.rules"));
    // With no port at all, the port's own checks are left out rather than failed twice.
    EXPECT_EQ(Find(checks, "Port"), nullptr);
    EXPECT_EQ(Find(checks, "Latency timer"), nullptr);
}

// The line, against the emulated pedal: an answer, silence, garbage and the bootloader.
TEST(PortDoctor, TheLineSaysWhatCameBack) {
    using Fault = EmulatedPedal::Fault;
    struct Case {
        std::function<void(EmulatedPedal&)> make;
        Status status;
        std::string cause;
    };
    const std::vector<Case> cases = {
        {[](EmulatedPedal&) {}, Status::Pass,
         "Opens at 115,200 8N1 and the pedal answers: firmware 05, algorithm 0008"},
        {[](EmulatedPedal& p) { p.InjectFault(Fault::Silence); }, Status::Fail,
         "The pedal takes bytes but does not answer: is it powered, is the algorithm uploaded?"},
        {[](EmulatedPedal& p) { p.InjectFault(Fault::Garbage); }, Status::Fail,
         "Garbage comes back (another device, or another speed): "},
        {[](EmulatedPedal& p) { p.state.inBootloader = true; }, Status::Warn,
         "The bootloader answers instead of the pedal: it waits for a firmware upgrade"},
    };
    for (const Case& c : cases) {
        CoreSession core;
        ASSERT_TRUE(core.session.Start());
        c.make(core.pedal());
        const std::vector<DoctorCheck> checks =
            core.session.Doctor("", SystemView::ThisMachine(), true);
        ASSERT_EQ(checks.size(), 2u);
        EXPECT_EQ(checks[1].status, c.status) << c.cause;
        EXPECT_TRUE(checks[1].cause.starts_with(c.cause)) << checks[1].cause;
        // The doctor shows no message box, and leaves the pedal closed as it found it.
        EXPECT_TRUE(core.dialogs.messages.empty()) << c.cause;
        EXPECT_FALSE(core.session.link().deviceOpen);
    }
}

} // namespace
} // namespace corvid::testing
