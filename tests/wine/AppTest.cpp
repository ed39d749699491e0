#include "win/App.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CProbeApp : public CWinApp {
public:
    bool wantLoop = false;
    std::vector<const char*> calls;

protected:
    bool InitInstance() override
    {
        calls.push_back("init");
        if (wantLoop)
            PostQuitMessage(7);
        return wantLoop;
    }
    int ExitInstance() override
    {
        calls.push_back("exit");
        return CWinApp::ExitInstance();
    }
};

TEST(CWinApp, WithoutMessageLoopExitFollowsInitAtOnce)
{
    CProbeApp app;
    EXPECT_EQ(CWinApp::Instance(), &app);
    EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr)), 0);
    EXPECT_EQ(app.calls, (std::vector<const char*>{"init", "exit"}));
    EXPECT_EQ(app.Module(), GetModuleHandleA(nullptr));
    // The program file's name without directory and extension.
    EXPECT_EQ(app.Title(), "wine_tests");
}

TEST(CWinApp, MessageLoopEndsWithTheQuitCode)
{
    CProbeApp app;
    app.wantLoop = true;
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 7);
    EXPECT_EQ(app.calls, (std::vector<const char*>{"init", "exit"}));
}

TEST(CWinApp, NoApplicationObjectNothingRuns)
{
    { CProbeApp gone; }
    EXPECT_EQ(CWinApp::Instance(), nullptr);
    EXPECT_EQ(RunApplication(GetModuleHandleA(nullptr)), 0);
}

}  // namespace
