// The one main of the test programs. It pins the environment (offscreen Qt,
// C locale, a private HOME), creates the application object the program needs
// (none for the core tests, built without Qt)
// and, for widget tests, pins the style and the device pixel ratio so that
// pixel comparisons do not depend on the machine's desktop settings.

#include "tests/common/TestSupport.h"

#if !ADOX_TEST_CORE
#include <QCoreApplication>
#endif
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#if ADOX_TEST_VXAPP
#include "forms/VxApplication.h"
#endif
#if ADOX_TEST_GUI
#include <QApplication>
#include <QStyleFactory>
#endif

int main(int argc, char** argv) {
    testsupport::PinEnvironment();
#if ADOX_TEST_GUI
    // One logical pixel is one device pixel, whatever the screen or the desktop asks for.
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
    unsetenv("QT_SCREEN_SCALE_FACTORS");
    unsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
    unsetenv("QT_STYLE_OVERRIDE");
#endif
#if ADOX_TEST_VXAPP
    TVxApplication App(argc, argv, "adoxport");
#elif ADOX_TEST_GUI
    QApplication App(argc, argv);
#elif !ADOX_TEST_CORE
    QCoreApplication App(argc, argv);
#endif
    std::setlocale(LC_NUMERIC, "C"); // the application object switched to the environment's locale
#if ADOX_TEST_GUI
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    if (App.devicePixelRatio() != 1.0) {
        std::fprintf(stderr, "device pixel ratio %g, expected 1\n", App.devicePixelRatio());
        return 2;
    }
#endif
    testsupport::RunProgramStartup();
    ::testing::InitGoogleTest(&argc, argv);
    const int Rc = RUN_ALL_TESTS();
    std::error_code Ec;
    std::filesystem::remove_all(testsupport::SandboxDir(), Ec);
    return Rc;
}
