#include "EmulatorProcess.h"
#include "firmware/FirmwareUpgrade.h"
#include "parameters/FXsettings.h"
#include "updates/VersionCheck.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <string>

namespace corvid::testing {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    qint64 ms = 0;
};

// corvid-cli as a user runs it, with a Documents folder of its own.
CliRun Cli(const QStringList& arguments, const QByteArray& input = {}) {
    static QTemporaryDir home;
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    cli.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    cli.start(CORVID_CLI, arguments);
    cli.write(input);
    cli.closeWriteChannel();
    EXPECT_TRUE(cli.waitForFinished(20000));
    CliRun run;
    run.ms = timer.elapsed();
    run.exitCode = cli.exitCode();
    run.out = cli.readAllStandardOutput().toStdString();
    run.err = cli.readAllStandardError().toStdString();
    return run;
}

// The emulated pedal on a pseudo-terminal.
struct Emulator : EmulatorProcess {
    explicit Emulator(const QStringList& options = {})
        : EmulatorProcess(CORVID_PEDAL_EMULATOR, options) {}
};

// A serial port whose far end never answers: a pseudo-terminal nobody serves.
struct SilentPort {
    SilentPort() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        path = ptsname(master);
        const int slave = open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        close(slave);
    }
    ~SilentPort() { close(master); }
    std::string Received() const {
        std::string bytes;
        char chunk[256];
        pollfd fd{master, POLLIN, 0};
        while (poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0) {
            const ssize_t n = read(master, chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            bytes.append(chunk, static_cast<std::size_t>(n));
        }
        return bytes;
    }
    std::size_t BytesReceived() const { return Received().size(); }
    int master = -1;
    QString path;
};

TEST(Cli, InfoShowsTheVersionsAndValuesAsTextAndJson) {
    Emulator pedal;
    ASSERT_FALSE(pedal.path.isEmpty());
    const CliRun text = Cli({"--port", pedal.path, "info"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Firmware version: 05\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Algorithm version: 0008\n"), std::string::npos);
    EXPECT_NE(text.out.find("Remote Footswitch: Not Assigned\n"), std::string::npos);
    EXPECT_NE(text.out.find("  High Notes Cut      0x00000000  off\n"), std::string::npos);

    // info's JSON holds every field of the backup, with the same name, type and value.
    const CliRun json = Cli({"--port", pedal.path, "--json", "info"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    const CliRun backup = Cli({"--port", pedal.path, "backup", "-"});
    EXPECT_EQ(backup.exitCode, 0) << backup.err;
    const QJsonObject info = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    const QJsonObject saved =
        QJsonDocument::fromJson(QByteArray::fromStdString(backup.out)).object();
    EXPECT_EQ(info["firmwareVersion"], QJsonValue(5));
    EXPECT_EQ(info["formatVersion"], QJsonValue(2));
    // The backup file has a format version of its own.
    for (const QString& key : saved.keys()) {
        if (key == "format" || key == "saved" || key == "formatVersion") {
            continue;
        }
        ASSERT_TRUE(info.contains(key)) << key.toStdString();
        if (!saved[key].isArray()) {
            EXPECT_EQ(info[key], saved[key]) << key.toStdString();
            continue;
        }
        const QJsonArray mine = info[key].toArray();
        const QJsonArray theirs = saved[key].toArray();
        ASSERT_EQ(mine.size(), theirs.size()) << key.toStdString();
        for (qsizetype i = 0; i < theirs.size(); ++i) {
            const QJsonObject item = theirs[i].toObject();
            for (const QString& field : item.keys()) {
                EXPECT_EQ(mine[i].toObject()[field], item[field])
                    << key.toStdString() << "[" << i << "]." << field.toStdString();
            }
        }
    }
    // An error under --json is JSON too.
    const CliRun refused = Cli({"--port", pedal.path, "--json", "set", "Input Level", "1024"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "{\"error\":\"Input Level takes a level from 0 to 1023: 1024; see "
                           "corvid-cli set --help\"}\n");
}

TEST(Cli, SetThenInfoAgree) {
    Emulator pedal;
    const CliRun set = Cli({"--port", pedal.path, "set", "input-level", "512"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "Input Level = 0x00400000 (level 512/1023)\n");
    const CliRun pitch = Cli({"--port", pedal.path, "set", "11", "+12"});
    EXPECT_EQ(pitch.exitCode, 0) << pitch.err;
    const CliRun info = Cli({"--port", pedal.path, "info"});
    EXPECT_NE(info.out.find("  Input Level         0x00400000  level 512/1023\n"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("  1st Harmonic Pitch  0x00800000  +12\n"), std::string::npos);
}

// What a command stores, the next info shows: the same state as a backup of the pedal.
TEST(Cli, AssignAndFootswitchThenInfoAgree) {
    Emulator pedal;
    const CliRun assign = Cli({"--port", pedal.path, "assign", "1", "Wave Clip"});
    EXPECT_EQ(assign.exitCode, 0) << assign.err;
    const CliRun footswitch = Cli({"--port", pedal.path, "footswitch", "preset", "bypass"});
    EXPECT_EQ(footswitch.exitCode, 0) << footswitch.err;
    const CliRun text = Cli({"--port", pedal.path, "info"});
    EXPECT_NE(text.out.find("Control I: Wave Clip\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("(short press Change Preset, long press Bypass)"), std::string::npos);
    const CliRun json = Cli({"--port", pedal.path, "--json", "info"});
    EXPECT_NE(json.out.find("\"parameter\": \"Wave Clip\""), std::string::npos) << json.out;
    // Assigned now: a direct write is refused, as the windows refuse it, with the way out.
    const CliRun set = Cli({"--port", pedal.path, "set", "Wave Clip", "3"});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(set.err,
              "corvid-cli: Wave Clip is on Control I: free it with `corvid-cli assign 1 none`\n");
}

// What a command overwrites is kept first: the history lists it with what changed since, shows
// it, and restores it.
TEST(Cli, TheHistoryKeepsWhatTheCommandsOverwrite) {
    Emulator pedal;
    ASSERT_EQ(Cli({"--port", pedal.path, "store"}).exitCode, 0);
    ASSERT_EQ(Cli({"--port", pedal.path, "footswitch", "preset", "bypass"}).exitCode, 0);
    ASSERT_EQ(Cli({"--port", pedal.path, "footswitch", "bypass", "bypass"}).exitCode, 0);
    ASSERT_EQ(Cli({"--port", pedal.path, "assign", "2", "Wave Clip"}).exitCode, 0);
    ASSERT_EQ(Cli({"--port", pedal.path, "store"}).exitCode, 0);
    // What changed, in the controls' terms.
    const CliRun changes = Cli({"--json", "history"});
    EXPECT_NE(changes.out.find("Control II: before Not Assigned, now Wave Clip"), std::string::npos)
        << changes.out;
    const CliRun list = Cli({"history"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("  Save Parameters\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("  Set Footswitch Mode  (0 changes)\n"), std::string::npos);
    EXPECT_NE(list.out.find("  Set Footswitch Mode  (1 change)\n"), std::string::npos);
    const CliRun shown = Cli({"history", "show", "3"});
    // Short press preset, long press bypass.
    EXPECT_NE(shown.out.find("\"footswitchMode\": 3"), std::string::npos) << shown.out;
    const CliRun restored = Cli({"--port", pedal.path, "history", "restore", "1", "--yes"});
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_NE(Cli({"--port", pedal.path, "info"}).out.find("Footswitch mode: 0"),
              std::string::npos);
}

// diff as diff does: 0 the same, 1 they differ (each parameter in the control's terms), 2 a
// side that cannot be read.
TEST(Cli, DiffComparesThePedalWithAFile) {
    Emulator pedal;
    QTemporaryDir folder;
    const QString preset = folder.filePath("now.txt");
    ASSERT_EQ(Cli({"--port", pedal.path, "preset", "save", preset}).exitCode, 0);
    EXPECT_EQ(Cli({"--port", pedal.path, "diff", "pedal", preset}).exitCode, 0);
    ASSERT_EQ(Cli({"--port", pedal.path, "set", "Input Level", "512"}).exitCode, 0);
    const CliRun differ = Cli({"--port", pedal.path, "diff", preset, "pedal"});
    EXPECT_EQ(differ.exitCode, 1);
    EXPECT_EQ(differ.out, "Input Level: 0x00000000 (level 0/1023) | 0x00400000 (level 512/1023)\n");
    EXPECT_EQ(Cli({"diff", preset, folder.filePath("missing.txt")}).exitCode, 2);
}

TEST(Cli, ASilentPedalFailsWithinItsLimit) {
    SilentPort port;
    const CliRun run = Cli({"--port", port.path, "info"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "corvid-cli: No reply from the pedal\n");
    // 200 ms pause, 2 s for the first byte, 1 s for two 0x7F asking for a bootloader, and the
    // start of a process.
    EXPECT_LT(run.ms, 5000);
    EXPECT_EQ(port.Received(), std::string("\x02\x00\x7F\x7F", 4));
}

TEST(Cli, TuningUploadSendsThePreUploadAndTheTables) {
    SilentPort port;
    const CliRun run = Cli({"--port", port.path, "tuning-upload"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Tuning data uploaded: 32 tables, 640 bytes\n");
    const std::string bytes = port.Received();
    ASSERT_EQ(bytes.size(), 643u);
    EXPECT_EQ(bytes.substr(0, 7), std::string("\x0D\x00\x0E\x00\x7F\xF5\xEC", 7));
    // Table 31's last coefficient closes the message.
    EXPECT_EQ(bytes.substr(639), std::string("\xFF\x81\x37\xC0", 4));
}

TEST(Cli, SetTuningNoteCutAndMidiReachThePedal) {
    Emulator pedal;
    const CliRun tuning = Cli({"--port", pedal.path, "set-tuning", "standard"});
    EXPECT_EQ(tuning.exitCode, 0) << tuning.err;
    EXPECT_EQ(tuning.out, "Tuning: 1 Standard EADGBE\n");
    const CliRun info = Cli({"--port", pedal.path, "--json", "info"});
    EXPECT_NE(info.out.find("\"tuningName\": \"Standard EADGBE\""), std::string::npos) << info.out;

    const CliRun notes = Cli({"--port", pedal.path, "--verbose", "note-cut", "e3", "A2"});
    EXPECT_EQ(notes.exitCode, 0) << notes.err;
    EXPECT_EQ(notes.out, "Note cut: A2 E3\n");
    EXPECT_NE(notes.err.find("Set note filters: 090007\n3\n"), std::string::npos) << notes.err;
    const CliRun midi = Cli({"--port", pedal.path, "--verbose", "midi-channel", "10"});
    EXPECT_EQ(midi.exitCode, 0) << midi.err;
    EXPECT_NE(midi.err.find("Midi channel: 10\n070A\n"), std::string::npos) << midi.err;
}

TEST(Cli, APresetSavedFromThePedalLoadsBackExactly) {
    Emulator pedal;
    QTemporaryDir folder;
    const QString file = folder.filePath("live.txt");
    ASSERT_EQ(Cli({"--port", pedal.path, "set", "input-level", "0x00400000"}).exitCode, 0);
    const CliRun save = Cli({"--port", pedal.path, "preset", "save", file});
    EXPECT_EQ(save.exitCode, 0) << save.err;
    EXPECT_EQ(save.out, "Preset saved: " + file.toStdString() + "\n");
    EXPECT_EQ(QFileInfo(file).size(), 137);
    ASSERT_EQ(Cli({"--port", pedal.path, "set", "input-level", "0"}).exitCode, 0);

    const CliRun load = Cli({"--port", pedal.path, "preset", "load", file});
    EXPECT_EQ(load.exitCode, 0) << load.err;
    EXPECT_EQ(load.out, "Preset loaded: " + file.toStdString() + " (14 parameters written)\n");
    const CliRun info = Cli({"--port", pedal.path, "info"});
    EXPECT_NE(info.out.find("  Input Level         0x00400000"), std::string::npos) << info.out;
}

// "-" is standard output for what a command writes and standard input for what it reads.
TEST(Cli, DashIsStandardInputAndOutput) {
    Emulator pedal;
    ASSERT_EQ(Cli({"--port", pedal.path, "set", "input-level", "0x00400000"}).exitCode, 0);
    const CliRun saved = Cli({"--port", pedal.path, "preset", "save", "-"});
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    ASSERT_EQ(saved.out.size(), 137u);
    EXPECT_EQ(saved.out.substr(0, 3), "\xEF\xBB\xBF");
    ASSERT_EQ(Cli({"--port", pedal.path, "set", "input-level", "0"}).exitCode, 0);
    const CliRun loaded =
        Cli({"--port", pedal.path, "preset", "load", "-"}, QByteArray::fromStdString(saved.out));
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;
    EXPECT_NE(Cli({"--port", pedal.path, "info"}).out.find("  Input Level         0x00400000"),
              std::string::npos);

    const CliRun backup = Cli({"--port", pedal.path, "backup", "-"});
    EXPECT_EQ(backup.exitCode, 0) << backup.err;
    EXPECT_EQ(backup.out.rfind("{\n", 0), 0u) << backup.out;
    const CliRun restore =
        Cli({"--port", pedal.path, "restore", "-"}, QByteArray::fromStdString(backup.out));
    EXPECT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_EQ(restore.out, "Pedal restored from -\n");
    const CliRun dump = Cli({"--port", pedal.path, "eeprom", "read", "--end", "3", "-o", "-"});
    EXPECT_EQ(dump.out, std::string(4, '\xFF'));
    EXPECT_FALSE(QFileInfo::exists("-"));
}

TEST(Cli, AFileThatIsNotAPresetSendsNothing) {
    SilentPort port;
    QTemporaryDir folder;
    QFile bad(folder.filePath("bad.txt"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("abc\r");
    bad.close();
    const CliRun run = Cli({"--port", port.path, "preset", "load", bad.fileName()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "corvid-cli: Error loading file " + bad.fileName().toStdString() +
                           ": line 1 has 3 characters, not 8: \"abc\"\n");
    EXPECT_EQ(port.BytesReceived(), 0u);
}

// A small image (three blocks, its reset handler at 0x08000200 inside it) keeps the run short;
// the version is the name's last digit.
QString SmallImage(QTemporaryDir& folder) {
    QFile shipped(":/firmware/FIRMWARE_5");
    EXPECT_TRUE(shipped.open(QIODevice::ReadOnly));
    QFile image(folder.filePath("small_6.bin"));
    EXPECT_TRUE(image.open(QIODevice::WriteOnly));
    image.write(shipped.read(600));
    return image.fileName();
}

TEST(Cli, FlashThroughTheBootloaderOnAPseudoTerminal) {
    Emulator pedal({"--bootloader"});
    QTemporaryDir folder;
    const CliRun flash =
        Cli({"--port", pedal.path, "flash", SmallImage(folder), "--verify", "--yes"});
    EXPECT_EQ(flash.exitCode, 0) << flash.err;
    EXPECT_EQ(flash.out, "small_6 written: 600 bytes in 3 blocks, version 6, verified\n");
    EXPECT_NE(flash.err.find("Firmware Upgrade Complete, device will now restart"),
              std::string::npos);
    // Go started the new firmware, which reports the version record's version.
    const CliRun info = Cli({"--port", pedal.path, "info"});
    EXPECT_NE(info.out.find("Firmware version: 06\n"), std::string::npos) << info.out << info.err;
}

// The upgrade's checks seen from the command line: another chip is not erased; a pedal that
// restarts with its old firmware is a failure; the JSON says what runs.
TEST(Cli, FlashChecksTheChipAndWhatRunsAfter) {
    QTemporaryDir folder;
    Emulator other({"--bootloader", "--product-id", "0413"});
    const CliRun refused = Cli({"--port", other.path, "flash", SmallImage(folder), "--yes"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("This bootloader belongs to another device (ID 0x0413); nothing "
                               "was erased\n"),
              std::string::npos)
        << refused.err;

    Emulator old({"--bootloader", "--after-go", "old"});
    const CliRun stale = Cli({"--port", old.path, "flash", SmallImage(folder), "--yes"});
    EXPECT_EQ(stale.exitCode, 1);
    EXPECT_NE(stale.err.find("The pedal restarted with firmware 05, not 06\n"), std::string::npos)
        << stale.err;

    // A pedal left in its bootloader: any command that reads it says so and what takes it.
    Emulator pedal({"--bootloader"});
    const CliRun info = Cli({"--port", pedal.path, "info"});
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_TRUE(info.err.ends_with("corvid-cli: " + FirmwareUpgrade::kWaitsInBootloader +
                                   "\ncorvid-cli: `corvid-cli flash Firmware_5` (or flash FILE) "
                                   "will take it\n"))
        << info.err;
    const CliRun flashed =
        Cli({"--port", pedal.path, "--json", "flash", SmallImage(folder), "--no-verify", "--yes"});
    EXPECT_EQ(flashed.exitCode, 0) << flashed.err;
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(flashed.out)).object();
    EXPECT_EQ(json["runningVersion"].toInt(), 6);
    EXPECT_FALSE(json["verified"].toBool());
}

// Bars are drawn on stderr when it is a terminal (not with -q), and each ends its line before
// the next message.
TEST(Cli, BarsAreDrawnOnATerminalAndEndTheirLine) {
    const auto onTerminal = [](const QStringList& arguments) {
        SilentPort terminal;
        QProcess cli;
        cli.setStandardErrorFile(terminal.path);
        cli.start(CORVID_CLI, arguments);
        EXPECT_TRUE(cli.waitForFinished(20000));
        EXPECT_EQ(cli.exitCode(), 0) << arguments.join(' ').toStdString();
        return terminal.Received();
    };
    QTemporaryDir folder;
    const std::string flash =
        onTerminal({"--emulator", "bootloader", "flash", SmallImage(folder), "--verify", "--yes"});
    EXPECT_NE(flash.find("\rblock 3 of 3 ["), std::string::npos) << flash;
    EXPECT_NE(flash.find("\rchecked 3 of 3 ["), std::string::npos) << flash;
    EXPECT_NE(flash.find("]\ncorvid-cli: Firmware Upgrade Complete"), std::string::npos) << flash;

    const QString backup = folder.filePath("backup.json");
    ASSERT_EQ(Cli({"--emulator", "backup", backup}).exitCode, 0);
    const std::string restore = onTerminal({"--emulator", "restore", backup});
    EXPECT_NE(restore.find("\rstep 20 of 20 ["), std::string::npos) << restore;
    EXPECT_TRUE(restore.ends_with("]\n")) << restore;

    const std::string read = onTerminal(
        {"--emulator", "eeprom", "read", "--end", "99", "-o", folder.filePath("dump.bin")});
    EXPECT_NE(read.find("\rvalue 100 of 100 ["), std::string::npos) << read;
    EXPECT_EQ(onTerminal({"--emulator", "-q", "restore", backup}), "");
    // Piped: no bar.
    EXPECT_EQ(Cli({"--emulator", "restore", backup}).err, "");
}

// A device or a pipe named as the output is written in place, never replaced by a file (as root,
// replacing /dev/null would break the whole machine).
TEST(Cli, DevicesAndPipesAreWrittenInPlace) {
    ASSERT_EQ(Cli({"--emulator", "eeprom", "read", "--end", "3", "-o", "/dev/null"}).exitCode, 0);
    struct stat null {};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    EXPECT_TRUE(S_ISCHR(null.st_mode));

    QTemporaryDir folder;
    const QString fifo = folder.filePath("pipe");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    QProcess reader;
    reader.start("cat", {fifo});
    ASSERT_TRUE(reader.waitForStarted());
    const CliRun saved = Cli({"--emulator", "preset", "save", fifo});
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    ASSERT_TRUE(reader.waitForFinished(10000));
    // Fifteen values, CR between lines.
    EXPECT_EQ(reader.readAllStandardOutput().count('\r'), 14);
    struct stat pipe {};
    ASSERT_EQ(::stat(fifo.toLocal8Bit().constData(), &pipe), 0);
    EXPECT_TRUE(S_ISFIFO(pipe.st_mode));
}

// The doctor: every check passes against the emulated pedal (exit 0); a silent pedal is named as
// such (exit 1).
TEST(Cli, TheDoctorSaysWhatFailsAndExitsByIt) {
    const CliRun good = Cli({"--emulator", "doctor"});
    EXPECT_EQ(good.exitCode, 0) << good.err;
    EXPECT_EQ(good.out, "pass  Bridge: The built-in emulated pedal\n"
                        "pass  Line: Opens at 115,200 8N1 and the pedal answers: firmware 05, "
                        "algorithm 0008\n");
    SilentPort port;
    const CliRun silent = Cli({"--port", port.path, "doctor"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.out.find("fail  Line: The pedal takes bytes but does not answer: is it "
                              "powered, is the algorithm uploaded?\n"),
              std::string::npos)
        << silent.out;
}

// -v: a long run of hex as its first and last sixteen digits and its length in bytes.
TEST(Cli, VerboseShortensLongHex) {
    const CliRun upload = Cli({"--emulator", "-v", "upload"});
    EXPECT_EQ(upload.exitCode, 0);
    EXPECT_NE(upload.err.find("filecontent: 001220000B00E800…1EB75841B2EB2CB5 (4640 bytes)\n"),
              std::string::npos)
        << upload.err.substr(0, 400);
}

// No at a prompt on a terminal: said, and nothing sent.
TEST(Cli, ANoAtThePromptSaysNothingWasDone) {
    SilentPort terminal;
    ASSERT_EQ(write(terminal.master, "n\n", 2), 2);
    QProcess cli;
    cli.setStandardInputFile(terminal.path);
    cli.start(CORVID_CLI, {"--emulator", "eeprom", "erase", "--end", "3"});
    ASSERT_TRUE(cli.waitForFinished(20000));
    EXPECT_EQ(cli.exitCode(), 1);
    EXPECT_EQ(cli.readAllStandardError().toStdString(),
              "Erase EEPROM addresses 0 to 3? [y/N] corvid-cli: Nothing done.\n");
}

TEST(Cli, ARefusedBlockEndsTheRunWithoutGo) {
    Emulator pedal({"--bootloader", "--nack-write", "1"});
    QTemporaryDir folder;
    const CliRun flash = Cli({"--port", pedal.path, "flash", SmallImage(folder), "--yes"});
    EXPECT_EQ(flash.exitCode, 1);
    EXPECT_NE(flash.err.find("Firmware upgrade failed: block 1 of 3 at 0x08000100: NACK\n"),
              std::string::npos)
        << flash.err;
    EXPECT_EQ(flash.err.find("Firmware Upgrade Complete"), std::string::npos);
    // Still in its bootloader: a second connection synchronises again.
    const CliRun again =
        Cli({"--port", pedal.path, "--verbose", "flash", SmallImage(folder), "--yes"});
    EXPECT_NE(again.err.find("bootloader was already synchronised"), std::string::npos)
        << again.err;
}

TEST(Cli, EepromAndCoefficients) {
    Emulator pedal;
    QTemporaryDir folder;
    const QString file = folder.filePath("dump.bin");
    const CliRun read = Cli({"--port", pedal.path, "eeprom", "read", "--end", "99", "-o", file});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, "Read 100 bytes into " + file.toStdString() + "\n");
    QFile dump(file);
    ASSERT_TRUE(dump.open(QIODevice::ReadOnly));
    EXPECT_EQ(dump.readAll(), QByteArray(100, '\xFF'));
    const CliRun lines =
        Cli({"--port", pedal.path, "eeprom", "read", "--start", "256", "--end", "257"});
    EXPECT_EQ(lines.out, "256:    FF\n257:    FF\n");
    const CliRun erase = Cli({"--port", pedal.path, "eeprom", "erase", "--end", "9", "--yes"});
    EXPECT_EQ(erase.exitCode, 0) << erase.err;
    EXPECT_EQ(erase.out, "Erased EEPROM addresses 0 to 9\n");

    const CliRun cuts = Cli({"tuning-filters", "standard"});
    EXPECT_EQ(cuts.exitCode, 0) << cuts.err;
    EXPECT_NE(cuts.out.find("  E2    82.4 Hz   -6.0 dB (table 2)\n"), std::string::npos)
        << cuts.out;
    const CliRun table = Cli({"coefficients", "D#2"});
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_EQ(table.out, "D#2_6db_cut_Q11 : array[0..19] of string =\n"
                         "('00', '7F', 'F5', '52', \n'FF', '00', '2E', '35', \n"
                         "'00', '7F', 'DF', 'DD', \n'00', 'FF', 'D1', 'CB', \n"
                         "'FF', '80', '2A', 'D0');\n");
}

TEST(Cli, BackupFromOnePedalRestoresAnother) {
    Emulator first;
    Emulator second;
    QTemporaryDir folder;
    const QString file = folder.filePath("a.json");
    ASSERT_EQ(Cli({"--port", first.path, "set", "input-level", "700"}).exitCode, 0);
    ASSERT_EQ(Cli({"--port", first.path, "footswitch", "preset", "bypass"}).exitCode, 0);
    ASSERT_EQ(Cli({"--port", first.path, "set-tuning", "standard"}).exitCode, 0);
    const CliRun backup = Cli({"--port", first.path, "backup", file});
    EXPECT_EQ(backup.exitCode, 0) << backup.err;
    const CliRun restore = Cli({"--port", second.path, "restore", file});
    EXPECT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_EQ(restore.out, "Pedal restored from " + file.toStdString() + "\n");
    // The same but for the first line, the port each is found on.
    const auto afterPort = [](const std::string& text) { return text.substr(text.find('\n')); };
    EXPECT_EQ(afterPort(Cli({"--port", second.path, "info"}).out),
              afterPort(Cli({"--port", first.path, "info"}).out));

    // A backup of another algorithm version goes back only when the user says so.
    QFile other(file);
    ASSERT_TRUE(other.open(QIODevice::ReadWrite));
    QByteArray json = other.readAll();
    json.replace("\"algorithmVersion\": 8", "\"algorithmVersion\": 7");
    other.resize(0);
    other.write(json);
    other.close();
    const CliRun asked = Cli({"--port", second.path, "restore", file});
    EXPECT_EQ(asked.exitCode, 2);
    EXPECT_NE(asked.err.find("The backup was made with algorithm version 0007; the pedal has "
                             "0008. Restore anyway? Not on a terminal: add --yes to go on."),
              std::string::npos)
        << asked.err;
    const CliRun yes = Cli({"--port", second.path, "restore", file, "--yes"});
    EXPECT_EQ(yes.exitCode, 0) << yes.err;

    QFile bad(folder.filePath("bad.json"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("{}");
    bad.close();
    const CliRun refused = Cli({"--port", second.path, "restore", bad.fileName()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "corvid-cli: Error loading file " + bad.fileName().toStdString() +
                               ": not a Corvid MK3 backup\n");
    const CliRun report = Cli({"--emulator", "report"});
    EXPECT_EQ(report.out.rfind("Corvid Editor diagnostic report\n", 0), 0u);
}

// A port the user may not open is explained, not reported as a missing pedal. Root may open
// anything, so under root the refusal is met as nobody.
TEST(Cli, APortThatMayNotBeOpenedIsExplained) {
    SilentPort port;
    const QStringList arguments{"--port", port.path, "info"};
    QProcess cli;
    QTemporaryDir folder;
    if (geteuid() == 0) {
        ASSERT_EQ(::chmod(port.path.toLocal8Bit().constData(), 0600), 0);
        // The build may lie under a folder nobody cannot enter: nobody runs a copy.
        const QString program = folder.filePath("corvid-cli");
        ASSERT_TRUE(QFile::copy(CORVID_CLI, program));
        ASSERT_EQ(::chmod(folder.path().toLocal8Bit().constData(), 0755), 0);
        cli.start("setpriv",
                  QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups", program} +
                      arguments);
    } else {
        ASSERT_EQ(::chmod(port.path.toLocal8Bit().constData(), 0), 0);
        cli.start(CORVID_CLI, arguments);
    }
    ASSERT_TRUE(cli.waitForFinished(20000));
    EXPECT_EQ(cli.exitCode(), 1);
    // Who owns the port, who asks, and the command that lets them.
    const std::string err = cli.readAllStandardError().toStdString();
    EXPECT_TRUE(err.starts_with("corvid-cli: " + port.path.toStdString() + " (")) << err;
    // Only the owner may open it: joining a group would not help.
    EXPECT_TRUE(err.ends_with(" may not open it\ncorvid-cli: fix: Install the udev rule "
                              "/usr/lib/udev/rules.d/70-corvid-mk3.rules (it gives the logged-in "
                              "user the pedal's port), or for now: sudo chmod o+rw " +
                              port.path.toStdString() + "\n"))
        << err;
    EXPECT_EQ(port.BytesReceived(), 0u);
}

TEST(Cli, AnInvalidHexMessageSendsNothing) {
    SilentPort port;
    for (const QString& message : {QString("01addrdata"), QString("010")}) {
        const CliRun run = Cli({"--port", port.path, "send", message});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.err, "corvid-cli: send takes whole bytes of two hex digits each: " +
                               message.toStdString() + "; see corvid-cli send --help\n");
    }
    EXPECT_EQ(Cli({"--port", port.path, "send", "0200"}).exitCode, 0);
    EXPECT_EQ(port.Received(), std::string("\x02\x00", 2));
}

// The usage errors are checked in process (CliCommands); these need the emulated pedal or
// the port to find what is wrong.
TEST(Cli, ArgumentsThatPassTheGrammarRunOrFailAtTheirLimits) {
    struct Case {
        QStringList arguments;
        int exitCode;
        std::string errStart;
    };
    const std::vector<Case> cases = {
        {{"--port", "/dev/no-such-port", "info"},
         1,
         "corvid-cli: No such port: /dev/no-such-port\n"},
        {{"--port", "/dev/no-such-port", "version"}, 0, ""},
        {{"--emulator", "upload", "corvid mk3 0008"}, 0, ""},
        {{"--emulator", "upload", "octave2"},
         2,
         "corvid-cli: no algorithm named octave2; see corvid-cli upload --help\n"},
        {{"--emulator", "set", "Input Level", "1023"}, 0, ""},
        {{"--emulator", "set", "Input Level", "0x00800000"}, 0, ""},
        {{"--emulator", "set", "Input Level", "0x00800001"},
         1,
         "corvid-cli: Input Level takes a level from 0 to 1023: 0x00800001\n"},
        {{"--emulator", "set", "Low Pass", "24"}, 0, ""},
        {{"--emulator", "assign", "iv", "none"}, 0, ""},
        {{"--emulator", "assign", "4", "High Notes Cut"},
         1,
         "corvid-cli: No tuning selected, Select a tuning before assigning this parameter\n"},
        {{"--emulator", "set-tuning", "1"}, 0, ""},
        {{"--emulator", "set-tuning", "4"},
         1,
         "corvid-cli: " + FXsettings::kTuningNotImplemented + "\n"},
        {{"--emulator", "set-tuning", "Drop D (DADGBE)"},
         1,
         "corvid-cli: " + FXsettings::kTuningNotImplemented},
        {{"--emulator", "note-cut"}, 0, ""},
        {{"--emulator", "note-cut", "C#3", "d#3"}, 0, ""},
        {{"--emulator", "midi-channel", "omni"}, 0, ""},
        {{"--emulator", "midi-channel", "16"}, 0, ""},
        {{"--emulator", "flash", "--yes"}, 1, "corvid-cli: Connection to bootloader failed\n"},
        // A missing image is said before the bootloader is spoken to.
        {{"--emulator", "bootloader", "flash", "/nonexistent/x_5.bin", "--yes"},
         1,
         "corvid-cli: No such file: /nonexistent/x_5.bin\n"},
        {{"--emulator", "flash"},
         2,
         "corvid-cli: Upgrade the pedal's firmware with Firmware_5? Not on a terminal: add --yes"},
        {{"--emulator", "eeprom", "read", "--start", "65535", "--end", "65535"}, 0, ""},
        {{"--emulator", "eeprom", "erase", "--end", "3"},
         2,
         "corvid-cli: erasing cannot be undone: add --yes to erase addresses 0 to 3\n"},
        {{"tuning-filters", "4"}, 0, ""},
        {{"coefficients", "A1", "--q", "0"},
         2,
         "corvid-cli: Cannot compute the filter: Q must be greater"},
    };
    for (const Case& c : cases) {
        const CliRun run = Cli(c.arguments);
        const std::string call = c.arguments.join(' ').toStdString();
        EXPECT_EQ(run.exitCode, c.exitCode) << call << ": " << run.err;
        if (c.errStart.empty()) {
            EXPECT_EQ(run.err, "") << call;
        } else {
            EXPECT_EQ(run.err.rfind(c.errStart, 0), 0u) << call << ": " << run.err;
        }
    }
    const CliRun help = Cli({"set", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: corvid-cli set [OPTIONS] PARAM VALUE\n"), std::string::npos);
}

// The editor answers --help and --version without a display, and refuses a wrong command line,
// a port it cannot use and a missing display before starting any window; every program gives the
// one release version.
TEST(Editor, HelpAndVersionNeedNoDisplay) {
    struct Case {
        QStringList arguments;
        int exitCode;
        std::string outStart;
        std::string errStart;
    };
    const std::vector<Case> cases = {
        {{"--help"}, 0, "Usage: corvid-editor [options] [bootloader]\n", ""},
        {{"-V"}, 0, "corvid-editor " + ReleaseVersion() + "\n", ""},
        {{"--bogus"}, 2, "", "corvid-editor: Unknown option 'bogus'.\nsee corvid-editor --help\n"},
        {{"bootloader"}, 2, "", "corvid-editor: \"bootloader\" goes with --emulator only\n"},
        {{"--emulator", "nonsense"}, 2, "", "corvid-editor: unexpected argument: nonsense\n"},
        {{"--emulator", "--port", "x"},
         2,
         "",
         "corvid-editor: --port and --emulator do not go together\n"},
        {{"--port", "/nonexistent"}, 1, "", "corvid-editor: No such port: /nonexistent\n"},
        {{"--port", "/dev/null"}, 1, "", "corvid-editor: /dev/null is not a serial port\n"},
        {{"--emulator"}, 1, "", "corvid-editor: no display to open the window on"},
    };
    for (const Case& c : cases) {
        QProcess editor;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        editor.setProcessEnvironment(environment);
        editor.start(CORVID_EDITOR, c.arguments);
        ASSERT_TRUE(editor.waitForFinished(10000));
        const std::string call = c.arguments.join(' ').toStdString();
        EXPECT_EQ(editor.exitCode(), c.exitCode) << call;
        EXPECT_EQ(editor.readAllStandardOutput().toStdString().rfind(c.outStart, 0), 0u) << call;
        EXPECT_EQ(editor.readAllStandardError().toStdString().rfind(c.errStart, 0), 0u) << call;
    }
    EXPECT_EQ(Cli({"--version"}).out, "corvid-cli " + ReleaseVersion() + "\n");
}

TEST(PedalEmulator, AnswersHelpAndRefusesUnknownOptions) {
    QProcess help;
    help.start(CORVID_PEDAL_EMULATOR, {"--help"});
    ASSERT_TRUE(help.waitForFinished(5000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().startsWith("Usage: corvid-pedal-emulator"));
    const std::vector<std::pair<QStringList, std::string>> refused = {
        {{"--pace", "fast"},
         "corvid-pedal-emulator: --pace takes bit/s, a whole number from 0: fast\n"},
        {{"--pace"}, "corvid-pedal-emulator: --pace needs a value\n"},
        {{"--product-id", "10000"},
         "corvid-pedal-emulator: --product-id takes up to four hex digits: 10000\n"},
        {{"--bogus"}, "corvid-pedal-emulator: unknown option --bogus\n"},
    };
    for (const auto& [arguments, said] : refused) {
        QProcess bad;
        bad.start(CORVID_PEDAL_EMULATOR, arguments);
        ASSERT_TRUE(bad.waitForFinished(5000));
        EXPECT_EQ(bad.exitCode(), 2);
        EXPECT_EQ(bad.readAllStandardError().toStdString(),
                  said + "see corvid-pedal-emulator --help\n");
    }
    QProcess version;
    version.start(CORVID_PEDAL_EMULATOR, {"--version"});
    ASSERT_TRUE(version.waitForFinished(5000));
    EXPECT_EQ(version.readAllStandardOutput().toStdString(),
              "corvid-pedal-emulator " + ReleaseVersion() + "\n");
}

} // namespace
} // namespace corvid::testing
