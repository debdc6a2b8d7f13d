#include "app/velor_main.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/control_server.h"
#include "app/first_paint_probe.h"
#include "app/instance_server.h"
#include "app/keyboard_follower.h"
#include "app/pages_host.h"
#include "app/screenshots.h"
#include "app/simulation.h"
#include "app/system_bluetooth.h"
#include "device/feature_library.h"
#include "hid/system_hid_backend.h"
#include "keys/key_tables.h"
#include "keys/switchable_keyboard_layout.h"
#include "platform/app_folders.h"
#include "platform/autostart.h"
#include "platform/control_client.h"
#include "platform/debug_output.h"
#include "platform/front_application.h"
#include "platform/instance_lock.h"
#include "platform/instance_notify.h"
#include "platform/keyboard_layout.h"
#include "platform/program_folder.h"
#include "platform/system_language.h"
#include "platform/termination_requests.h"
#include "skin/resource_file.h"
#include "skin/theme_sheet.h"
#include "ui/button_accessible.h"
#include "ui/combo_accessible.h"
#include "ui/main_window.h"
#include "ui/ms_page.h"
#include "ui/popup_menu_accessible.h"

namespace velor {

namespace {

// main.xml could not be read: a start that cannot show its window.
constexpr int kExitDamagedFiles = 2;

// The command line as one string, as the autostart writes it ("-auto").
std::string commandLine(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

constexpr const char* kHelp =
    "usage: velor [--help | --version]\n"
    "       velor -auto\n"
    "\n"
    "Configures VELOR gaming mice: DPI, polling rate, buttons, macros, lighting\n"
    "and profiles. Without arguments the window opens; with -auto (as the login\n"
    "autostart starts it), or any other argument, it starts hidden in the tray.\n"
    "A second start brings the running window to the front.\n"
    "\n"
    "  --help      this text\n"
    "  --version   the version\n"
    "  -auto       start hidden in the tray\n"
    "\n"
    "Environment:\n"
    "  VELOR_SIMULATE=1       attach a simulated mouse (or a list such as\n"
    "                         10:24g,3:4k,7:ble; see velor(1))\n"
    "  VELOR_SIM_TRACE=FILE   append every frame a simulated mouse receives\n"
    "  VELOR_SIM_CONTROL=PATH a FIFO taking unplug, plug, status, silent, battery\n"
    "  VELOR_DEBUG=1          write the diagnostic lines to stderr (unset, empty\n"
    "                         or 0: only errors and warnings)\n"
    "  XDG_CONFIG_HOME        where settings, profiles and macros live\n"
    "  XDG_RUNTIME_DIR        where the instance and control sockets live\n";

// Arguments other than the autostart's: they still start hidden (an
// autostart written by another version may pass anything), but a person who
// mistyped an option is told rather than left with an unseen program.
std::string unknownArguments(int argc, char** argv) {
    std::string unknown;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-auto") == 0) continue;
        if (!unknown.empty()) unknown += ' ';
        unknown += '\'' + std::string(argv[i]) + '\'';
    }
    return unknown;
}

}  // namespace

int runVelor(int argc, char** argv) {
    // Questions about the program are answered before anything starts (an
    // autostart's "-auto", and any other argument, starts hidden).
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs("velor " VELOR_VERSION_TEXT "\n", stdout);
        return 0;
    }
    const Log log = standardLog();
    const DebugSink debug = log.debugSink();
    if (const std::string unknown = unknownArguments(argc, argv); !unknown.empty())
        log.warning("unknown argument " + unknown +
                    "; starting in the tray as at login (see velor --help)");

    // 1. One copy per user: a second one asks the first to show itself.
    const std::string runtimeFolder = instanceRuntimeFolder();
    std::unique_ptr<InstanceLock> lock;
    std::string otherUsersCopy;  // told once there is a window system to tell it on
    if (runtimeFolder.empty()) {
        log.warning(
            "no private runtime folder (XDG_RUNTIME_DIR): a second copy is not kept from "
            "starting and velorctl cannot reach this one; log in through a desktop session");
    } else {
        std::string error;
        bool otherUser = false;
        lock = InstanceLock::acquire(runtimeFolder, &error, &otherUser);
        if (otherUser) {
            log.error(error);
            otherUsersCopy = error;
        } else if (!lock && error.empty()) {
            std::string why;
            if (!notifyFirstInstance(instanceSocketPath(runtimeFolder), systemClock(), &why))
                log.error(
                    "another copy is running, but it could not be asked to show its "
                    "window: " +
                    why);
            return 1;
        }
        if (!lock && !otherUser)
            log.warning("the instance lock cannot be taken (" + error +
                        "): a second copy is not kept from starting; check that " + runtimeFolder +
                        " is yours and writable");
    }

    // 2. Any argument at all means an autostart: start hidden.
    const std::string line = commandLine(argc, argv);
    debug("ilen = " + std::to_string(line.size()));
    const bool startHidden = !line.empty();

    QApplication app(argc, argv);
    if (!otherUsersCopy.empty()) {
        QMessageBox::critical(nullptr, CMainWnd::kClassName,
                              QString::fromStdString(otherUsersCopy));
        return 1;
    }
    QApplication::setApplicationName(CMainWnd::kClassName);
    QGuiApplication::setDesktopFileName(QStringLiteral("io.velor.GamingDriver"));
    installButtonAccessibility();
    installPopupMenuAccessibility();
    installComboBoxAccessibility();
    const std::string libraryFolder = GetLibraryFolder();
    const QString skinFolder = QString::fromStdString(GetResourceFolder());
    // Every window of ours (dialogs too) carries the icon in its title bar and
    // task bar entry: the main window gives it to the program.
    QStringList themeDamage;
    if (const QString theme = readThemeSheet(skinFolder, &themeDamage); !theme.isEmpty())
        app.setStyleSheet(theme);
    for (const QString& damage : themeDamage) printDamagedFile(damage);

    // Key names follow the user's keyboard layout (as the session tells of
    // switches once the window is up); the system's, or US, until then. It is
    // read when a key is first named or captured, not before the first paint.
    auto keyboard = std::make_unique<SwitchableKeyboardLayout>(
        SwitchableKeyboardLayout::Source(systemKeyboardLayout));

    // Real devices through the system's HID access, or simulated ones when
    // VELOR_SIMULATE says so.
    std::unique_ptr<Simulation> simulation;
    std::unique_ptr<HidBackend> hid;
    HidBackend* devices = nullptr;
    std::unique_ptr<BluetoothMice> systemBluetooth;
    BluetoothMice* bluetooth = nullptr;
    if (const QString simulate = qEnvironmentVariable("VELOR_SIMULATE"); !simulate.isEmpty()) {
        simulation = std::make_unique<Simulation>(
            simulate.toStdString(), qEnvironmentVariable("VELOR_SIM_TRACE").toStdString(),
            qEnvironmentVariable("VELOR_SIM_CONTROL").toStdString(), debug);
        devices = &simulation->backend();
        bluetooth = &simulation->bluetooth();
    } else {
        hid = makeSystemHidBackend();
        if (!hid)
            log.error(
                "the system's HID access could not be set up: no mouse can be reached; "
                "check that the hidraw driver is loaded");
        devices = hid.get();
        systemBluetooth = systemBluetoothMice(debug);
        bluetooth = systemBluetooth.get();
    }
    // The pages ask the window (made after them) about the application in front.
    CMainWnd* windowOfPages = nullptr;
    const auto makePage = [&](int slot) -> std::unique_ptr<DevicePage> {
        const ModelDescriptor* model = supportedDescriptor(slot);
        if (model == nullptr) return std::make_unique<DevicePage>(slot);
        CMS_Page::Services page;
        page.model = model;
        page.skinFolder = skinFolder;
        page.dataFolder = [] { return GetAppDataFolder(); };
        page.keyboard = keyboard.get();
        page.debug = debug;
        page.runningApplications = [&windowOfPages] {
            return windowOfPages ? windowOfPages->runningApplications()
                                 : std::vector<FrontApplication>{};
        };
        page.frontUnavailable = [&windowOfPages] {
            return windowOfPages ? windowOfPages->frontUnavailable() : std::string();
        };
        page.openLibrary = [&, model]() -> std::unique_ptr<FeatureDevice> {
            auto library = loadFeatureLibrary(libraryFolder, model->library, devices);
            if (!library) {
                log.warning(library.error() +
                            ": its mice cannot be reached by cable; reinstall the program");
                return nullptr;
            }
            return std::move(*library);
        };
        if (model->hasBle) {
            const std::uint16_t vid = *model->bleHidVid;
            const std::uint16_t pid = *model->bleHidPid;
            page.openBle = [=] { return bluetooth->linkFor(vid, pid); };
            page.blePresent = [=] { return devices && !devices->enumerate(vid, pid).empty(); };
        }
        return std::make_unique<CMS_Page>(std::move(page));
    };
    MainWindowServices services{
        skinFolder,
        GetProgramPath(),
        autostartEntryPath(),
        systemUiLanguage(),
        [] { return GetAppDataFolder(); },
        debug,
        log.warningSink(),
        makePage,
        {},
        keyboard.get(),
        devices,
        bluetooth,
        nullptr,
        watchFrontApplication,
    };
    auto window = std::make_unique<CMainWnd>(std::move(services));
    windowOfPages = window.get();
    // Without main.xml there is no window: say so and end rather than run unseen.
    if (!window->skinLoaded()) {
        printDamagedFile(window->skinError(), LogLevel::error);
        if (!startHidden) {
            QMessageBox box(QMessageBox::Critical, CMainWnd::kClassName,
                            damagedFileText(window->texts(), skinFolder + CMainWnd::kSkinFile,
                                            window->skinError()));
            box.setWindowIcon(programIcon(skinFolder));
            box.exec();
        }
        return kExitDamagedFiles;
    }
    quitAfterFirstPaintIfAsked(*window);
    window->init();
    // Nothing is stored anywhere else than where the user's data goes: the
    // window runs without storing, and says where the data should go and why
    // it cannot.
    if (std::string why; GetAppDataFolder(&why), !why.empty()) {
        log.error(why);
        window->tellProblem(
            window->texts().get("data_folder_text").arg(QString::fromStdString(why)));
    }
    auto keyboardFollower = followKeyboardLayout(
        *keyboard, [w = window.get()] { w->keyboardChanged(); }, debug);
    // The window's close button hides it; the program ends from the tray menu
    // or when the system closes the window.
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<InstanceServer> server;
    if (lock) {
        server = std::make_unique<InstanceServer>(
            QString::fromStdString(lock->socketPath()),
            [w = window.get()] { w->messages().post(kShowWindowMessage, 0, 0); });
        if (!server->listening())
            log.warning("the instance socket is not listening (" + server->error().toStdString() +
                        "): a second start cannot bring this window forward");
    }
    // velorctl's device commands come through here while the program runs.
    PagesHost pagesHost(*window);
    std::unique_ptr<ControlServer> control;
    if (lock) {
        control = std::make_unique<ControlServer>(
            QString::fromStdString(controlSocketPath(runtimeFolder)), pagesHost);
        if (!control->listening())
            log.warning("the control socket is not listening (" + control->error().toStdString() +
                        "): velorctl cannot reach the running program; restart it");
    }

    // A logout, a closed terminal or `kill` ends the program as Quit does, so
    // the pages store what the user chose before the process goes.
    // Requests that come while the pages are storing at the end find no window
    // and wait for the end; a second one ends the process at once.
    auto ending = TerminationRequests::install([&windowOfPages](int) {
        QMetaObject::invokeMethod(
            qApp,
            [&windowOfPages] {
                if (windowOfPages) windowOfPages->quit();
            },
            Qt::QueuedConnection);
    });

    const QString screenshots = qEnvironmentVariable("VELOR_SCREENSHOTS");
    if (!screenshots.isEmpty()) {
        window->show();
        takeScreenshotsAndQuit(*window, *keyboard, screenshots,
                               qEnvironmentVariable("VELOR_SCREENSHOT_MAIN"));
    } else if (startHidden) {
        window->hideToTray();
    } else {
        window->show();
    }
    const int code = QApplication::exec();

    // Shut-down: no more show requests or commands, then the window (and what
    // it owns: each page stores what is not stored yet).
    control.reset();
    server.reset();
    keyboardFollower.reset();
    windowOfPages = nullptr;
    window.reset();
    ending.reset();
    return code;
}

}  // namespace velor
