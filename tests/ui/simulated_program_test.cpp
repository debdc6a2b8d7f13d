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

namespace velor {
namespace {

class SimulatedProgramTest : public ::testing::Test {
  protected:
    SimulatedProgramTest() {
        ::chmod(runtime.path().toLocal8Bit().constData(), 0700);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
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

    QTemporaryDir runtime, folder;
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

}  // namespace
}  // namespace velor
