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
    // by _Exit: the libraries' detaching never returned. There alone, the
    // result being all a test binary has to give, it ends without detaching
    // them; on Windows it ends as the terminal does, so that a hang there is
    // seen. Wine's ntdll alone has wine_get_version.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll && GetProcAddress(ntdll, "wine_get_version")) {
        std::fflush(nullptr);
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
    }
#endif
    return result;
}
