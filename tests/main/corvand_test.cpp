#include "tests/main/program_runner.h"
#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>

namespace {

using sbtest::ProgramRunner;

using CorvandTest = sbtest::SandboxTest;

TEST_F(CorvandTest, StartsUpInOrderAndEndsOnTermination)
{
    sandbox.write("/tmp/vesk_ipc_app_ready", "");
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<GUI>Power Idle!")) << corvand.output();
    const std::string out = corvand.output();
    EXPECT_TRUE(
        sbtest::containsInOrder(out, {
                                         "<corvand>**************************************************\n",
                                         "<corvand>child process id is " + std::to_string(corvand.pid()) + "\n",
                                         "<corvand>Appcliation Init Begin\n",
                                         "<corvand>Audio Vesk process Init\n",
                                         "<corvand>#####################FW_VERSION=V0.21#####################\r\n\r\n",
                                         "<corvand>OS thread Init\n",
                                         "<corvand>Cli Init\n",
                                         "<corvand>Dbg Backtrace Init\n",
                                         "Register signal handler.\n",
                                         "<corvand>AEE Init\n",
                                         "<corvand>Handle Usr Init\n",
                                         "<corvand>Am Init\n",
                                         "<corvand>1.timerd Init Begin\n",
                                         "<corvand>1.timerd Init Successful\n",
                                         "<corvand>2.acfg Init Begin\n",
                                         "<corvand>2.acfg Init Successful\n",
                                         "<corvand>3.state_mngr Init Begin\n",
                                         "<corvand>3.state_mngr Init Successful\n",
                                         "<corvand>4.upg_control Init Begin\n",
                                         "<corvand>4.upg_control Init Successful\n",
                                         "<corvand>5.user_interface Init Begin\n",
                                         "<corvand>5.user_interface Init Successful\n",
                                         "<corvand>6.gui_namager Init Begin\n",
                                         "<corvand>6.gui_namager Init Successful\n",
                                         "<corvand>7.pb_spdif_in Init Begin\n",
                                         "<corvand>7.pb_spdif_in Init Successful\n",
                                         "<corvand>8.playback_line_in Init Successful\n",
                                         "<corvand>9.dev_mngr Init Begin\n",
                                         "<corvand>9.dev_mngr Init Successful\n",
                                         "<corvand>10.playback_usb Init Begin\n",
                                         "<corvand>10.playback_usb Init Successful\n",
                                         "<corvand>11.playback_tdm_in Init Successful\n",
                                         "<corvand>12.playback_uac_capture Init Successful\n",
                                         "<corvand>13.cec Init Begin\n",
                                         "<corvand>13.cec Init Successful\n",
                                         "<corvand>14.audio_setting Init Begin\n",
                                         "<corvand>14.audio_setting Init Successful\n",
                                         "<corvand>Appcliation Init Finish\n",
                                         "<corvand>**********************************************\n",
                                         "try to create vesk_ipc_app:/tmp/vesk_ipc_app_server\n",
                                         "ui1LastSource =6, msgSender=0!\n",
                                         "get ps_name : gui_namager\n",
                                         "<GUI>evt = 0x1002",
                                         "<GUI>usr_evt = 0x1002",
                                         "<GUI>Power Idle!",
                                     }));
    EXPECT_EQ(out.find("<corvand>15."), std::string::npos);
    EXPECT_EQ(out.find("sleep 5ms to wait vesk ready!"), std::string::npos);
    EXPECT_FALSE(sandbox.exists("/tmp/corvand_setup_fail.txt"));

    corvand.signal(SIGTERM);
    const int status = corvand.wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << corvand.output();
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_TRUE(sbtest::containsInOrder(corvand.output(), {"\nTermination signal\n\n", "Using default signal handler.\n"}));
}

TEST_F(CorvandTest, WaitsForTheAudioServerThenCarriesOnUntilInterruptedTwice)
{
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<corvand>sleep 5ms to wait vesk ready!\n")) << corvand.output();
    EXPECT_EQ(corvand.output().find("<GUI>usr_evt"), std::string::npos);
    sandbox.write("/tmp/vesk_ipc_app_ready", "");
    ASSERT_TRUE(corvand.waitFor("<GUI>usr_evt = 0x1002")) << corvand.output();

    const size_t before = corvand.output().size();
    corvand.signal(SIGINT);
    // Other threads go on printing, so their lines may come between the handler's two.
    ASSERT_TRUE(corvand.waitFor("\nInterrupt from keyboard\n\n", before)) << corvand.output();
    ASSERT_TRUE(corvand.waitFor("Using default signal handler.\n", before)) << corvand.output();
    EXPECT_EQ(corvand.wait(std::chrono::milliseconds(200)), -1) << "the first interrupt only prints";
    corvand.signal(SIGINT);
    const int status = corvand.wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << corvand.output();
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

TEST_F(CorvandTest, ConnectsToTheAudioServerOncePellantIsReady)
{
    ProgramRunner corvand("main/corvand");
    ASSERT_TRUE(corvand.waitFor("<corvand>sleep 5ms to wait vesk ready!\n")) << corvand.output();
    ProgramRunner pellant("pellant/pellant");
    ASSERT_TRUE(corvand.waitFor("<GUI>usr_evt = 0x1002")) << corvand.output() << pellant.output();
    const std::string& out = corvand.output();
    EXPECT_TRUE(sbtest::containsInOrder(out, {
                                                 "<corvand>sleep 5ms to wait vesk ready!\n",
                                                 "<corvand>sleep 5ms to wait vesk ready!\n",
                                                 "try to create vesk_ipc_app:/tmp/vesk_ipc_app_server\n",
                                                 "ui1LastSource =6, msgSender=0!\n",
                                                 "get ps_name : gui_namager\n",
                                             }));
    EXPECT_EQ(out.find("tarpc_create fail"), std::string::npos) << out;
}

}  // namespace
