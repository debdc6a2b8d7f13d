// Two real copies of the program: the second brings the first forward and
// leaves with exit code 1.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include <filesystem>

#include <fstream>

namespace velor {
namespace {

class SingleInstanceTest : public ::testing::Test {
  protected:
    SingleInstanceTest() {
        ::chmod(runtime.path().toLocal8Bit().constData(), 0700);
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VELOR_DEBUG", "1");
    }
    ~SingleInstanceTest() override {
        for (QProcess* p : {&first, &second}) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    void start(QProcess& p, const QStringList& args) {
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(VELOR_PROGRAM_DIR "/velor", args);
        ASSERT_TRUE(p.waitForStarted(10000));
    }
    // Waits (bounded) until the first copy has written a line.
    bool firstSays(const QByteArray& line) {
        for (int i = 0; i < 100; ++i) {
            if (log.contains(line)) return true;
            first.waitForReadyRead(100);
            log += first.readAllStandardError();
        }
        return log.contains(line);
    }
    QString socket() const { return runtime.path() + "/velor-gaming-driver.sock"; }
    bool waitForSocket() const {
        struct stat st {};
        for (int i = 0; i < 200; ++i) {
            if (::stat(socket().toLocal8Bit().constData(), &st) == 0 && S_ISSOCK(st.st_mode))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QTemporaryDir runtime, config;
    QProcessEnvironment env;
    QProcess first, second;
    QByteArray log;
};

// A mistyped option starts as at login (hidden), and says so with the way to help.
TEST_F(SingleInstanceTest, SecondStartShowsTheFirstAndExitsWithOne) {
    start(first, {"--verison"});
    ASSERT_TRUE(firstSays("ilen = 9"));
    EXPECT_TRUE(
        log.contains("velor: warning: unknown argument '--verison'; starting in the "
                     "tray as at login (see velor --help)\n"))
        << log.toStdString();
    ASSERT_TRUE(waitForSocket());
    struct stat st {};
    ASSERT_EQ(::stat(socket().toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);  // the user's alone
    start(second, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(firstSays("show window"));
    EXPECT_EQ(first.state(), QProcess::Running);
}

// Sixteen clients that connect and say nothing fill the first copy's bound:
// the second start is told it is busy, tries again, and gets through once
// they are hung up on. A first copy that cannot answer at all (stopped) is
// named as the reason, on stderr.
TEST_F(SingleInstanceTest, ASecondStartGetsPastStalledClientsOrSaysWhyNot) {
    start(first, {"-auto"});
    ASSERT_TRUE(firstSays("ilen = 5"));
    ASSERT_TRUE(waitForSocket());
    std::vector<int> stalled;
    for (int i = 0; i < 16; ++i) {
        stalled.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socket().toLocal8Bit().constData(),
                     sizeof address.sun_path - 1);
        ASSERT_EQ(::connect(stalled.back(), reinterpret_cast<sockaddr*>(&address), sizeof address),
                  0);
    }
    start(second, {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_EQ(second.readAllStandardError(), "");
    EXPECT_TRUE(firstSays("show window"));
    for (const int fd : stalled) ::close(fd);

    const auto firstPid = static_cast<pid_t>(first.processId());
    ::kill(firstPid, SIGSTOP);
    QProcess third;
    start(third, {});
    const bool ended = third.waitForFinished(15000);
    ::kill(firstPid, SIGCONT);
    ASSERT_TRUE(ended);
    EXPECT_EQ(third.exitCode(), 1);
    EXPECT_EQ(third.readAllStandardError().toStdString(),
              "velor: error: another copy is running, but it could not be asked to show its "
              "window: it did not answer within 2 seconds (is it stopped?)\n");
}

// A copy that ends as it should (here after its first paint) leaves neither
// of its sockets behind, so nothing stale is found by the next start or by velorctl.
TEST_F(SingleInstanceTest, ACleanExitRemovesItsSockets) {
    env.insert("VELOR_BENCH_T0", "0");
    start(first, {});
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    log += first.readAllStandardError();
    EXPECT_TRUE(log.contains("first paint")) << log.toStdString();
    EXPECT_FALSE(QFileInfo::exists(socket()));
    EXPECT_FALSE(QFileInfo::exists(runtime.path() + "/velor-control"));
}

TEST_F(SingleInstanceTest, AStaleSocketLeftByACrashDoesNotStopANewStart) {
    { std::ofstream(socket().toStdString()) << "stale"; }
    start(first, {"-auto"});
    ASSERT_TRUE(firstSays("ilen = 5"));
    ASSERT_TRUE(waitForSocket());  // the stale file was replaced
    start(second, {"-auto"});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(firstSays("show window"));
    EXPECT_FALSE(log.contains("warning")) << log.toStdString();  // -auto is known
}

// Without a readable main.xml (cut short, or a named pipe that would block
// the start) there is no window: the start says which file and how to
// repair it, and ends, rather than running unseen.
TEST_F(SingleInstanceTest, AStartWithoutItsMainSkinSaysSoAndEnds) {
    namespace fs = std::filesystem;
    for (const bool pipe : {false, true}) {
        // The program finds its resources beside itself: a copy of it with
        // a copy of them, in the build tree so that a hard link can serve.
        QTemporaryDir folder(QStringLiteral(VELOR_PROGRAM_DIR "/../damaged-XXXXXX"));
        const fs::path bin = folder.path().toStdString();
        std::error_code ec;
        fs::create_hard_link(VELOR_PROGRAM_DIR "/velor", bin / "velor", ec);
        if (ec) fs::copy_file(VELOR_PROGRAM_DIR "/velor", bin / "velor");
        fs::copy(VELOR_PROGRAM_DIR "/res", bin / "res", fs::copy_options::recursive);
        const fs::path mainSkin = bin / "res" / "main.xml";
        if (pipe) {
            fs::remove(mainSkin);
            ASSERT_EQ(::mkfifo(mainSkin.c_str(), 0600), 0);
        } else {
            fs::resize_file(mainSkin, fs::file_size(mainSkin) / 2);
        }
        // Errors reach the terminal without VELOR_DEBUG; the diagnostics do not.
        QProcessEnvironment quiet = env;
        quiet.remove("VELOR_DEBUG");
        QProcess damaged;
        damaged.setProcessEnvironment(quiet);
        damaged.start(QString::fromStdString((bin / "velor").string()), {"-auto"});
        ASSERT_TRUE(damaged.waitForStarted(10000));
        const bool ended = damaged.waitForFinished(20000);
        if (!ended) damaged.kill();
        ASSERT_TRUE(ended) << (pipe ? "pipe" : "cut");
        EXPECT_EQ(damaged.exitCode(), 2);
        const std::string err = damaged.readAllStandardError().toStdString();
        EXPECT_NE(err.find("velor: error: " + mainSkin.string() + ": "), std::string::npos) << err;
        EXPECT_NE(err.find("damaged or missing: reinstall the program\n"), std::string::npos)
            << err;
        EXPECT_EQ(err.find("ilen"), std::string::npos) << err;
        damaged.waitForFinished(5000);
    }
}

}  // namespace
}  // namespace velor
