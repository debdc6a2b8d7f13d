// Two real copies of the program: the second brings the first forward and
// leaves with exit code 1.
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/stat.h>

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

TEST_F(SingleInstanceTest, SecondStartShowsTheFirstAndExitsWithOne) {
    start(first, {"-auto"});
    ASSERT_TRUE(firstSays("ilen = 5"));
    ASSERT_TRUE(waitForSocket());
    start(second, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(firstSays("show window"));
    EXPECT_EQ(first.state(), QProcess::Running);
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
}

}  // namespace
}  // namespace velor
