#include "tests/main/state_mngr/sm_peers.h"

#include "main/acfg/acfg_app.h"
#include "main/am/am.h"
#include "main/am/amb/amb.h"
#include "main/state_mngr/sm_context_priv.h"
#include "main/timerd/timerd.h"

#include <gtest/gtest.h>

#include <cstring>

namespace smtest {

namespace {

constexpr uint32_t kMarkerId = 0xABCD;

const char* const kPeerNames[] = {
    "pb_spdif_in",  "playback_line_in", "playback_usb",  "bluetooth",    "playback_uri",
    "playback_tts", "playback_prompt",  "playback_dlna", "airplay_stub", "gui_namager",
    "cec",          "assistant_stub",   "avs_stub",      "c4a_stub",     "va_manager",
};

void startApp(amb_register_info_t* info)
{
    if (u_amb_register_app(info) != 0 || u_amb_sync_start_app(info->acName) != 0) {
        ADD_FAILURE() << "cannot start " << info->acName;
    }
}

}  // namespace

Peers::Peers()
{
    apptest::startFramework();
    static amb_register_info_t timerd{};
    a_timerd_register(&timerd);
    startApp(&timerd);
    static amb_register_info_t acfg{};
    a_acfg_register(&acfg);
    startApp(&acfg);
    for (const char* name : kPeerNames) {
        apps_.push_back(std::make_unique<apptest::TestApp>(name, 4096));
        startApp(&apps_.back()->record());
    }
}

Peers& Peers::get()
{
    static Peers peers;
    return peers;
}

void Peers::startStateManager()
{
    get();
    static bool started = false;
    if (!started) {
        static amb_register_info_t sm{};
        a_sm_register(&sm);
        startApp(&sm);
        started = true;
    }
}

std::map<std::string, std::vector<PeerMsg>> Peers::collect()
{
    std::map<std::string, std::vector<PeerMsg>> out;
    for (auto& app : apps_) {
        const uint32_t marker = 0;
        EXPECT_EQ(u_app_send_msg(app->handle(), kMarkerId, &marker, sizeof(marker), nullptr, 0), 0);
        size_t& seen = seen_[app->name()];
        std::vector<apptest::ReceivedMsg> got;
        bool markerSeen = false;
        for (size_t want = seen + 1; !markerSeen; ++want) {
            if (!app->waitMessages(want)) {
                ADD_FAILURE() << app->name() << " did not receive its marker";
                break;
            }
            got = app->messages();
            markerSeen = got[want - 1].msgId == kMarkerId;
        }
        for (size_t i = seen; i < got.size(); ++i) {
            const apptest::ReceivedMsg& m = got[i];
            if (m.msgId == kMarkerId) {
                continue;
            }
            PeerMsg p{m.msgId, 0, 0, {}, m.at};
            if (m.data.size() >= 8) {
                memcpy(&p.sender, m.data.data(), 4);
                memcpy(&p.word, m.data.data() + 4, 4);
                p.data.assign(m.data.begin() + 8, m.data.end());
            }
            out[app->name()].push_back(std::move(p));
        }
        seen = got.size();
    }
    return out;
}

bool Peers::waitNew(const std::string& peer, size_t count)
{
    for (auto& app : apps_) {
        if (app->name() == peer) {
            // Markers are only posted and consumed inside collect, so what follows is all real.
            return app->waitMessages(seen_[peer] + count);
        }
    }
    return false;
}

std::vector<uint32_t> words(const std::vector<PeerMsg>& msgs)
{
    std::vector<uint32_t> w;
    for (const PeerMsg& m : msgs) {
        w.push_back(m.word);
    }
    return w;
}

Received idsAndWords(const std::map<std::string, std::vector<PeerMsg>>& got)
{
    Received out;
    for (const auto& [peer, msgs] : got) {
        for (const PeerMsg& m : msgs) {
            out[peer].emplace_back(m.msgId, m.word);
        }
    }
    return out;
}

void setUpRecords(const std::vector<Rec>& records)
{
    smResetContext();
    smVars().gFBtRequest = 0;
    for (const Rec& r : records) {
        SmSourceRecord& rec = smRec(r.source);
        rec.exists = r.source;
        rec.waiting = r.waiting;
        rec.status = r.status;
        rec.paused_by_sm = r.pausedBySm;
        rec.play_id = r.id;
    }
}

}  // namespace smtest
