#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

int main(int argc, char** argv)
{
    // Test discovery runs the binary outside CTest's environment; without a
    // display Qt would abort before listing the tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#ifdef Q_OS_WIN
    // Under Wine with an X display, a process whose window tests ran worker
    // threads did not end after its last test, its reports complete, not even
    // by _Exit: the libraries' detaching never returned. The result is all a
    // test binary has to give, so it ends without detaching them.
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
#endif
    return result;
}
