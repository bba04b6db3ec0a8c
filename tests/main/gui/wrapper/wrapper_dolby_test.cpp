// The Dolby wrapper: the upmixer switch from the music wrapper to the audio-input daemon's queue
// (read here as the daemon reads it), and the profile switch's command lines.
#include "main/gui/wrapper/wrapper_dolby.h"

#include "main/gui/wrapper/wrapper_music.h"
#include "main/source_in/spdif/sileth_link.h"
#include "tests/main/source_in/spdif/sileth_peer.h"
#include "tests/support/sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using ::testing::ElementsAreArray;

namespace {

class DolbyTest : public sbtest::SandboxTest {};

TEST_F(DolbyTest, TheUpmixSwitchReachesTheAudioInputDaemonAsSetting29)
{
    spdiftest::SilethPeer daemon;
    ASSERT_TRUE(daemon.ready());
    ASSERT_EQ(0, i4GstInit());  // the digital input's link lends the wrapper its sender
    for (uint8_t on : {uint8_t{1}, uint8_t{0}}) {
        guiWrapperMusicXupmixSet(&on);
        const auto cmd = daemon.commandWith(29);
        ASSERT_TRUE(cmd.has_value());
        EXPECT_EQ(on, cmd->xupmix);
        EXPECT_EQ(0, cmd->dts_direct_mode + cmd->drc_percent + cmd->dialog_control);
        EXPECT_EQ(on, guiWrapperDolbyXupmixGet());
    }
    silethLinkStop();
}

TEST_F(DolbyTest, AProfileRunsTheToolOnlyWhenTheModeChanges)
{
    const std::string base = "mervane -w dolby -speakers lr:c:lrs:lrrs:lfe -config "
                             "file=/res/xml/ppc_dolby.xml:endpoint=internal_speaker";
    const std::string drc = " -drc drc-mode=disable -profile ";
    struct Step {
        uint8_t mode;
        uint8_t virt;
        std::vector<std::string> run;
    };
    // Mode 9 is kept as the last mode though it runs nothing.
    const Step steps[] = {
        {9, 0, {}},
        {9, 1, {}},
        {6, 0, {base + " " + drc + "personalize", "mervane -u dolby"}},
        {6, 1, {}},
        {7, 1, {base + ":virt-enable" + drc + "personalize", "mervane -u dolby"}},
        {0, 0, {base + " " + drc + "music", "mervane -u dolby"}},
    };
    size_t seen = 0;
    for (const Step& s : steps) {
        guiWrapperUpmix_set(s.mode, s.virt);
        const std::vector<std::string> log = sandbox.quoridLog();
        EXPECT_THAT(std::vector<std::string>(log.begin() + static_cast<long>(seen), log.end()), ElementsAreArray(s.run))
            << int{s.mode};
        seen = log.size();
    }
}

}  // namespace
