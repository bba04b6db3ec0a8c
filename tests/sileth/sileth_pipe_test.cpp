// The pipeline a child chooses: the section, parse mode, parser and decoder for each codec, port,
// play mode and marker, the full description texts, and the parser's codec values.
#include "sileth/sileth_pipe.h"

#include "tests/support/sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

using ::testing::HasSubstr;

SilethChildArgs argsFor(eGstCodec codec, ePortType port = PORT_SPDIF)
{
    SilethChildArgs a;
    a.codec = codec;
    a.portType = port;
    a.rate = 44100;
    a.channels = 2;
    a.sinkRate = 0;
    a.sinkChannels = 6;
    std::strcpy(a.pcmChMap, "lr:lfe:c:lrs");
    vSilethCfgDefaults(a.cfg);
    return a;
}

TEST(SilethPipeTest, SectionParseModeAndElementsFollowTheCodecPlayModeAndMarkers)
{
    struct Case {
        eGstCodec codec;
        int playmode;
        bool cert;
        bool matPcm;
        const char* section;
        int parseMode;
        const char* parser;   // substring, or "" for none
        const char* decoder;  // substring, or "" for none
        const char* sink;     // substring
        const char* extra;    // substring, or "" for none
        const char* codecCmd;
    };
    const Case cases[] = {
        {GST_PCM, 1, false, false, "[PCM_CFG]", 1, "", "", "parse-mode=1", "", "echo pcm > /tmp/codec_type.config"},
        {GST_PCM, 1, true, false, "[PCM_DTSX_CERTIFICATION_CFG]", 1, "", "", "alsa-thres-hold=5", "",
         "echo pcm > /tmp/codec_type.config"},
        {GST_AC3, 1, false, false, "[AC3_CFG]", 2, "codec-type=2", "output-channels=10", "parse-mode=2", "",
         "echo ac3 > /tmp/codec_type.config"},
        {GST_AC3, 3, false, false, "[AC3_MOD3_CFG]", 2, "codec-type=2", "output-channels=10", "alsa-thres-hold=6", "",
         "echo ac3 > /tmp/codec_type.config"},
        {GST_EAC3, 1, false, false, "[AC3_CFG]", 2, "codec-type=4", "output-channels=10", "parse-mode=2", "",
         "echo ec3 > /tmp/codec_type.config"},
        {GST_DTS, 1, false, false, "[DTS_CFG]", 5, "codec-type=3", "", "! fakesink", "",
         "echo dtsx > /tmp/codec_type.config"},
        {GST_DTS, 1, true, false, "[DTS_CERTFICA_CFG]", 6, "codec-type=3", "", "! fakesink", "",
         "echo dtsx > /tmp/codec_type.config"},
        {GST_DTS_CD, 1, false, false, "[DTSCD_CFG]", 6, "codec-type=3", "", "! fakesink", "",
         "echo dts-cd > /tmp/codec_type.config"},
        {GST_TRUEHD, 1, false, false, "[TRUEHD_CFG]", 2, "codec-type=5", "output-channels=10", "parse-mode=2", "",
         "echo mat > /tmp/codec_type.config"},
        {GST_TRUEHD, 2, false, false, "[TRUEHD_MOD2_CFG]", 2, "codec-type=5", "output-channels=10", "alsa-thres-hold=9",
         "", "echo mat > /tmp/codec_type.config"},
        {GST_TRUEHD, 3, false, true, "[TRUEHD_MOD3_CFG]", 3, "codec-type=5", "output-channels=10", "parse-mode=3", "",
         "echo mat > /tmp/codec_type.config"},
        {GST_TRUEHD, 1, false, true, "[TRUEHD_MATPCM_CFG]", 10, "codec-type=5", "output-channels=10", "parse-mode=10",
         "extra-header-bufctl=1 extra-header-prepend-zero-conf=1 extra-header-prepend-zero-value=10",
         "echo mat > /tmp/codec_type.config"},
        {GST_TRUEHD, 2, false, true, "[TRUEHD_MATPCM_CFG]", 10, "codec-type=5", "output-channels=10", "parse-mode=10",
         "extra-header-bufctl=4 ", "echo mat > /tmp/codec_type.config"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section + std::string(" playmode ") + std::to_string(c.playmode));
        SilethPipeEnv env;
        env.playmode = c.playmode;
        env.cert = c.cert;
        env.matPcm = c.matPcm;
        SilethPipeDesc d;
        ASSERT_EQ(SilethPipeChoice::Ok, silethPipeChoose(argsFor(c.codec), env, &d));
        EXPECT_STREQ(c.section, d.section);
        EXPECT_EQ(c.parseMode, d.parseMode);
        EXPECT_EQ(c.codecCmd, d.codecCmd);
        EXPECT_THAT(d.source, HasSubstr(c.codec == GST_PCM ? "format=3" : "format=1"));
        EXPECT_EQ(c.codec == GST_PCM || c.codec == GST_DTS || c.codec == GST_DTS_CD,
                  d.caps == "! capsfilter name=m_capsfilter caps=audio/x-raw");
        if (*c.parser != '\0') {
            EXPECT_THAT(d.parser, HasSubstr(c.parser));
        } else {
            EXPECT_EQ("", d.parser);
        }
        if (*c.decoder != '\0') {
            EXPECT_THAT(d.decoder, HasSubstr(c.decoder));
        } else {
            EXPECT_EQ("", d.decoder);
        }
        EXPECT_THAT(d.sink, HasSubstr(c.sink));
        if (*c.extra != '\0') {
            EXPECT_THAT(d.extra, HasSubstr(c.extra));
        } else {
            EXPECT_EQ("", d.extra);
        }
        EXPECT_EQ("", d.tuningCmd);
    }
}

TEST(SilethPipeTest, PcmAndDolbyDescriptionsAreTheFixedTemplates)
{
    SilethPipeDesc d;
    ASSERT_EQ(SilethPipeChoice::Ok, silethPipeChoose(argsFor(GST_PCM, PORT_HDMI_IN), SilethPipeEnv(), &d));
    EXPECT_EQ("kvxalsasrc alsa-device=hdmi_in alsa-period-time=10000 alsa-buffer-time=70000 alsa-sample-rate=44100 "
              "alsa-channels=2 format=3 ! capsfilter name=m_capsfilter caps=audio/x-raw   ! kvxalsasink "
              "name=m_kvxalsasink silence-detect=0x02 parse-mode=1 alsa-thres-hold=0 alsa-period-time=10000 "
              "level-upload-time=100 alsa-buffer-time=70000 alsa-sample-rate=44100 alsa-chmap=lr:lfe:c:lrs "
              "alsa-channels=6 alsa-device=main ",
              d.launch());
    // The rule is the section's value as it stands, so the default's own word comes twice.
    EXPECT_EQ("vesk_dbg bufrule bufrule 6 12 24 0 0", d.bufruleCmd);

    SilethChildArgs ac3 = argsFor(GST_AC3, PORT_EARC);
    ac3.sinkRate = 96000;
    ASSERT_EQ(SilethPipeChoice::Ok, silethPipeChoose(ac3, SilethPipeEnv(), &d));
    EXPECT_EQ("kvxalsasrc alsa-device=earc_in alsa-period-time=2000 alsa-buffer-time=96000 alsa-sample-rate=44100 "
              "alsa-channels=2 format=1  ! sievra name=m_sievra codec-type=2 ! halvorn name=m_halvorn "
              "output-channels=10 ! kvxalsasink name=m_kvxalsasink silence-detect=0x02 parse-mode=2 "
              "alsa-thres-hold=0 alsa-period-time=4000 level-upload-time=100 alsa-buffer-time=24000     "
              "alsa-sample-rate=96000 alsa-chmap=lr:c:lrs:lfe:lrtf:lrtr alsa-channels=10 alsa-device=main ",
              d.launch());
    EXPECT_EQ("vesk_dbg bufrule bufrule 4 9 4 0 0", d.bufruleCmd);
}

TEST(SilethPipeTest, CaptureDeviceFollowsThePort)
{
    const std::pair<ePortType, const char*> cases[] = {
        {PORT_SPDIF, "alsa-device=spdif_in "}, {PORT_EARC, "alsa-device=earc_in "},
        {PORT_ARC, "alsa-device=arc_in "},     {PORT_HDMI_IN, "alsa-device=hdmi_in "},
        {PORT_OTHER, "alsa-device=spdif_in "},
    };
    for (const auto& [port, device] : cases) {
        SilethPipeDesc d;
        ASSERT_EQ(SilethPipeChoice::Ok, silethPipeChoose(argsFor(GST_PCM, port), SilethPipeEnv(), &d));
        EXPECT_THAT(d.source, HasSubstr(device)) << port;
    }
}

TEST(SilethPipeTest, TuningModeTurnsAnyCodecIntoTheMatPipeline)
{
    SilethPipeEnv env;
    env.tuning = true;
    for (eGstCodec codec : {GST_PCM, GST_AC3, GST_DTS}) {
        SilethPipeDesc d;
        ASSERT_EQ(SilethPipeChoice::Ok, silethPipeChoose(argsFor(codec), env, &d));
        EXPECT_EQ("echo mat >  /tmp/codec_type.config", d.tuningCmd);
        EXPECT_EQ("! sievra name=m_sievra codec-type=5", d.parser);
        EXPECT_EQ("! halvorn name=m_halvorn output-channels=8", d.decoder);
        EXPECT_EQ("! kvxalsasink name=m_kvxalsasink parse-mode=3 alsa-thres-hold=0 alsa-period-time=2000 "
                  "alsa-buffer-time=24000 alsa-sample-rate=48000 alsa-chmap=lr:c:lfe:lrs:lrrs alsa-channels=8 "
                  "alsa-device=main",
                  d.sink);
    }
}

TEST(SilethPipeTest, NoCaptureDeviceOrNoSectionEndTheChoice)
{
    SilethPipeDesc d;
    SilethChildArgs noDevice = argsFor(GST_PCM);
    pSilethSetValue(noDevice.cfg, "[GLOBAL]", "spdif_in", "");
    EXPECT_EQ(SilethPipeChoice::NoCaptureDevice, silethPipeChoose(noDevice, SilethPipeEnv(), &d));
    EXPECT_EQ(SilethPipeChoice::NoSection, silethPipeChoose(argsFor(static_cast<eGstCodec>(2)), SilethPipeEnv(), &d));
}

TEST(SilethPipeTest, LongestValuesReachTheDescriptionWhole)
{
    SilethChildArgs a = argsFor(GST_AC3);
    const std::string longest(63, '7');
    for (const char* key : {"alsa_thres_hold", "sink_period_time", "sink_buffer_time"}) {
        pSilethSetValue(a.cfg, "[AC3_CFG]", key, longest.c_str());
    }
    for (const char* key : {"playback", "dolby_sink_channel_map", "dolby_sink_channel_num"}) {
        pSilethSetValue(a.cfg, "[GLOBAL]", key, longest.c_str());
    }
    SilethPipeDesc d;
    ASSERT_EQ(SilethPipeChoice::Ok, silethPipeChoose(a, SilethPipeEnv(), &d));
    EXPECT_EQ("alsa-device=" + longest, d.sink.substr(d.sink.size() - longest.size() - 12));
}

TEST(SilethPipeTest, BufferRuleCommandIsCutToItsBuffer)
{
    SilethChildArgs a = argsFor(GST_PCM);
    pSilethSetValue(a.cfg, "[PCM_CFG]", "bufrule", std::string(60, '9').c_str());
    SilethPipeDesc d;
    ASSERT_EQ(SilethPipeChoice::Ok, silethPipeChoose(a, SilethPipeEnv(), &d));
    EXPECT_EQ(63u, d.bufruleCmd.size());
    EXPECT_EQ(0u, d.bufruleCmd.rfind("vesk_dbg bufrule 999", 0));
}

TEST(SilethPipeTest, ParserValuesNameTheirCodec)
{
    const std::pair<uint32_t, int> cases[] = {
        {0x01, GST_AC3},  {0x101, GST_AC3}, {0x15, GST_EAC3}, {0x215, GST_EAC3}, {0x16, GST_TRUEHD},
        {0x0B, GST_DTS},  {0x0C, GST_DTS},  {0x0D, GST_DTS},  {0x11, GST_DTS},   {0x211, GST_DTS},
        {0x411, GST_DTS}, {0x116, -1},      {0x511, -1},      {0x00, -1},        {0x1B, -1},
    };
    for (const auto& [value, want] : cases) {
        eGstCodec codec = GST_PCM;
        const bool named = silethCodecOfParserValue(value, &codec);
        EXPECT_EQ(want >= 0, named) << std::hex << value;
        if (named) {
            EXPECT_EQ(want, codec) << std::hex << value;
        }
    }
}

class SilethPlayModeTest : public sbtest::SandboxTest {};

TEST_F(SilethPlayModeTest, PlayModeFileMissingEmptyOrANumber)
{
    EXPECT_EQ(1, getplaymode());
    sandbox.write(SILETH_PLAYMODE_PATH, "");
    EXPECT_EQ(0, getplaymode());
    sandbox.write(SILETH_PLAYMODE_PATH, "3\n");
    EXPECT_EQ(3, getplaymode());

    sileth_shm_t shm;
    for (auto& w : shm.word) {
        w.store(0);
    }
    EXPECT_FALSE(silethPipeEnv(shm).tuning);
    sandbox.write(SILETH_TUNING_PATH, "profile=1\nmode -tuning-mode on\n");
    sandbox.write(SILETH_DTSX_CERT_PATH, "");
    shm.set(SHM_MAT_PCM, 1);
    const SilethPipeEnv env = silethPipeEnv(shm);
    EXPECT_TRUE(env.tuning);
    EXPECT_TRUE(env.cert);
    EXPECT_TRUE(env.matPcm);
    EXPECT_EQ(3, env.playmode);
}

}  // namespace
