// The real program on simulated mice, acted on through the simulator's control
// pipe and watched through its frame trace, as a person would.
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "models/model_descriptor.h"
#include "store/profile_store.h"

namespace velor {
namespace {

class SimulatedProgramTest : public ::testing::Test {
  protected:
    SimulatedProgramTest() {
        ::chmod(runtime.path().toLocal8Bit().constData(), 0700);
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", folder.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VELOR_SIMULATE", "1");
        env.insert("VELOR_SIM_TRACE", trace());
        env.insert("VELOR_SIM_CONTROL", control());
        program.setProcessEnvironment(env);
        program.start(VELOR_PROGRAM_DIR "/velor", {"-auto"});
    }
    ~SimulatedProgramTest() override {
        program.kill();
        program.waitForFinished(5000);
    }
    QString trace() const { return folder.path() + "/trace"; }
    QString control() const { return folder.path() + "/control"; }

    // The first two hex digits (the report's command) of each traced frame.
    std::vector<std::string> commands() const {
        std::vector<std::string> found;
        std::ifstream in(trace().toStdString());
        for (std::string link, slot, hex; in >> link >> slot >> hex;)
            found.push_back(link + " " + slot + " " + hex.substr(0, 2));
        return found;
    }
    // The traced frames' bytes in hex.
    std::vector<std::string> frames() const {
        std::vector<std::string> found;
        std::ifstream in(trace().toStdString());
        for (std::string link, slot, hex; in >> link >> slot >> hex;) found.push_back(hex);
        return found;
    }
    // Waits (bounded, pumping nothing) until the trace holds at least n frames.
    bool traced(std::size_t n) const {
        for (int i = 0; i < 300 && commands().size() < n; ++i) QThread::msleep(50);
        return commands().size() >= n;
    }
    void tell(const char* line) const {
        struct stat st {};
        for (int i = 0; i < 200 && ::stat(control().toLocal8Bit().constData(), &st) != 0; ++i)
            QThread::msleep(50);
        std::ofstream(control().toStdString()) << line << "\n";
    }

    struct Run {
        int exitCode;
        std::string out, err;
    };
    // velorctl as the user runs it, beside the running program.
    Run velorctl(const QStringList& args) const {
        QProcess ctl;
        ctl.setProcessEnvironment(env);
        ctl.start(VELOR_PROGRAM_DIR "/velorctl", args);
        if (!ctl.waitForFinished(30000)) ctl.kill();
        return {ctl.exitCode(), ctl.readAllStandardOutput().toStdString(),
                ctl.readAllStandardError().toStdString()};
    }

    QTemporaryDir runtime, folder;
    QProcessEnvironment env;
    QProcess program;
};

TEST_F(SimulatedProgramTest, AReceiverPluggedBackGetsTheWholeProfileAgain) {
    ASSERT_TRUE(program.waitForStarted(10000));
    const std::vector<std::string> upload = {"24g 10 0c", "24g 10 04", "24g 10 05", "24g 10 06",
                                             "24g 10 08"};
    ASSERT_TRUE(traced(5));  // the mouse's first reports bring the whole profile
    EXPECT_EQ(commands(), upload);

    tell("unplug 10:24g");
    QThread::msleep(1500);  // the program notices at once; the mouse stays away a while
    tell("plug 10:24g");
    ASSERT_TRUE(traced(10));
    const std::vector<std::string> all = commands();
    EXPECT_EQ(std::vector<std::string>(all.begin() + 5, all.end()), upload);
}

// Each device command through the velorctl binary, carried out by the
// running program on its simulated mouse.
TEST_F(SimulatedProgramTest, VelorctlsDeviceCommandsReachTheMouseThroughTheProgram) {
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(traced(5));
    // The battery the mouse reports through the receiver is what velorctl lists.
    tell("battery 10:24g 15");
    const std::string listed = "10\tMS-10\t24g\t15%\t-\n";
    Run devices{};
    for (int i = 0; i < 100 && devices.out != listed; ++i) {
        if (i > 0) QThread::msleep(50);
        devices = velorctl({"devices"});
    }
    EXPECT_EQ(devices.exitCode, 0) << devices.err;
    EXPECT_EQ(devices.out, listed);

    const std::size_t before = commands().size();
    const Run set = velorctl({"set", "--slot", "10", "--dpi-level", "3"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "slot 10 set\n");
    // The opening report, then the DPI report with level 3 in byte 24.
    ASSERT_TRUE(traced(before + 2));
    const std::vector<std::string> afterSet = commands();
    EXPECT_EQ(std::vector<std::string>(afterSet.begin() + before, afterSet.end()),
              std::vector<std::string>({"24g 10 0c", "24g 10 04"}));
    EXPECT_EQ(frames().back().substr(48, 2), "03");

    const QString game = folder.path() + "/game.pro";
    ASSERT_EQ(
        velorctl({"profile", "new", "--slot", "10", "--name", "Game", "--out", game}).exitCode, 0);
    const Run apply = velorctl({"apply", "--slot", "10", "--profile", game});
    EXPECT_EQ(apply.exitCode, 0) << apply.err;
    EXPECT_EQ(apply.out, "slot 10 holds profile 1 (Game)\n");
    // The whole profile went out again.
    ASSERT_TRUE(traced(afterSet.size() + 5));
    const std::vector<std::string> afterApply = commands();
    EXPECT_EQ(std::vector<std::string>(afterApply.begin() + afterSet.size(), afterApply.end()),
              std::vector<std::string>(
                  {"24g 10 0c", "24g 10 04", "24g 10 05", "24g 10 06", "24g 10 08"}));
    const std::size_t applied = afterApply.size();

    const Run status = velorctl({"status", "--slot", "10", "--json"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_EQ(status.out,
              "{\"slot\":10,\"model\":\"MS-10\",\"links\":[\"24g\"],\"battery\":15,"
              "\"charging\":false,\"profile\":{\"index\":1,\"name\":\"Game\"},"
              "\"settings\":{\"dpi_level\":2,\"dpi\":800,\"polling\":1000,\"lighting\":0,"
              "\"sleep_minutes\":10}}\n");
    const Run absent = velorctl({"status", "--slot", "3"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(absent.err, "velorctl: no mouse of slot 3 is connected\n");
    EXPECT_EQ(commands().size(), applied);  // asking changes nothing on the mouse
}

// A logout's SIGTERM while an apply waits on a mouse that does not answer: the
// program ends as Quit does, without waiting out the mouse, with the choice
// on disk.
TEST_F(SimulatedProgramTest, SigtermEndsAsQuitDoesWithTheChoiceStored) {
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(traced(5));
    tell("silent 10:24g on");
    QProcess ctl;
    ctl.setProcessEnvironment(env);
    ctl.start(VELOR_PROGRAM_DIR "/velorctl", {"set", "--slot", "10", "--dpi-level", "4"});
    ASSERT_TRUE(traced(6));  // the apply is sending, unanswered
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    ctl.waitForFinished(10000);
    const auto stored = readProfileStore(
        *descriptorFor(10), (folder.path() + "/VELOR Gaming Driver/ms_10/pro.data").toStdString());
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->records.at(0).i32(Field::dpiLevel), 3);
}

// A data folder that cannot be made: the program says where the data should
// go and why it cannot, and stores nothing beside itself.
TEST(SimulatedProgramFolders, ADataFolderThatCannotBeMadeIsNamedAndNothingGoesBesideTheProgram) {
    QTemporaryDir runtime, folder;
    ::chmod(runtime.path().toLocal8Bit().constData(), 0700);
    std::ofstream((folder.path() + "/file").toStdString()) << "x";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("XDG_CONFIG_HOME", folder.path() + "/file/config");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELOR_SIMULATE", "10:wired");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(VELOR_PROGRAM_DIR "/velor", {"-auto"});
    ASSERT_TRUE(program.waitForStarted(10000));
    const std::string said = "the data folder for the profiles and macros, " +
                             folder.path().toStdString() +
                             "/file/config/VELOR Gaming Driver/, cannot be made: Not a directory";
    std::string err;
    for (int i = 0; i < 100 && err.find(said) == std::string::npos; ++i) {
        program.waitForReadyRead(100);
        err += program.readAllStandardError().toStdString();
    }
    QThread::msleep(300);  // the page's stores, read as its mouse comes up
    program.kill();
    program.waitForFinished(5000);
    EXPECT_NE(err.find(said), std::string::npos) << err;
    struct stat st {};
    EXPECT_NE(::stat(VELOR_PROGRAM_DIR "/Data", &st), 0);
}

}  // namespace
}  // namespace velor
