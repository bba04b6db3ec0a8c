// The music wrapper's object, shared by its file pairs (the settings and audio path, the music
// thread and its timers, the deferred effects and decoded format), and its hooks for this folder's
// tests.
#pragma once

#include "main/gui/wrapper/wrapper_music.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

// Events the music thread turns into GUI messages (0: none).
enum GuiWrapperMusicEvt : uint32_t {
    E_GUI_WRAPPER_MUSIC_EVT_NONE = 0,
    E_GUI_WRAPPER_MUSIC_EVT_ALLOW_TIMEOUT = 1,
    E_GUI_WRAPPER_MUSIC_EVT_AUTO_STANDBY = 2,
    E_GUI_WRAPPER_MUSIC_EVT_AUTO_WAKEUP = 3,
    E_GUI_WRAPPER_MUSIC_EVT_AUTO_POWEROFF = 4,
    E_GUI_WRAPPER_MUSIC_EVT_SCREENSAVER_ENTER = 5,
    E_GUI_WRAPPER_MUSIC_EVT_SCREENSAVER_EXIT = 6,
    E_GUI_WRAPPER_MUSIC_EVT_MENU_TIMEOUT = 7,
    E_GUI_WRAPPER_MUSIC_EVT_PDT_TIMEOUT = 8,
    E_GUI_WRAPPER_MUSIC_EVT_AUD_FMT_SHOW = 9,
};

constexpr uint32_t GUI_WRAPPER_MUSIC_LAYOUT_NONE = 0xFF;

// Every plain field is read and written whole from several threads (GUI manager, GUI timers,
// sources); the raised events are kept in order under `evt_lock`.
struct GuiWrapperMusicObj {
    template <typename T>
    using Field = std::atomic<T>;

    Field<uint32_t> aud_src{0};
    Field<uint8_t> unmute_en{0};
    Field<uint8_t> mute_sts{0};
    Field<uint8_t> pop_mute_sts{0};
    Field<uint8_t> shop_mode_en{0};
    Field<uint16_t> pop_unmute_cnt{0};
    Field<uint8_t> vol{0};
    Field<uint8_t> night_vol{0};
    Field<uint32_t> nand_save_dly{0};
    Field<uint16_t> show_dly{0};
    Field<uint32_t> energy{0};
    std::array<Field<uint8_t>, GUI_WRAPPER_MUSIC_SRC_MAX> signal_input{};
    Field<uint16_t> energy_high_cnt{0};
    Field<uint16_t> energy_low_cnt{0};
    Field<uint8_t> noise_sts{0};
    Field<uint16_t> noise_cnt{0};
    Field<uint16_t> no_noise_cnt{0};
    Field<uint32_t> auto_standby{0};
    Field<uint32_t> timer_cnt{0};
    Field<uint32_t> auto_screensaver{0};
    Field<uint8_t> auto_screensaver_en{0};
    Field<uint8_t> auto_screensaver_lock{0};
    Field<uint8_t> auto_wake{0};
    Field<uint8_t> enter_en{0};
    Field<uint32_t> erp_timer_cnt{0};
    Field<uint32_t> pdt_cnt{0};
    Field<uint32_t> menu_timer_cnt{0};
    Field<uint32_t> screensaver_timer_cnt{0};
    Field<uint32_t> allow_cnt{0};
    Field<uint8_t> bypass_mode_en{0};
    Field<uint8_t> effect_set_en{0};
    Field<uint16_t> effect_unmute_dly_cnt{0};
    Field<uint32_t> chn_num_is_2x0{0};
    // The channel layout last sent to the server (GUI_WRAPPER_MUSIC_LAYOUT_NONE: none yet).
    Field<uint32_t> last_layout{GUI_WRAPPER_MUSIC_LAYOUT_NONE};
    Field<uint32_t> aud_fmt{0};
    uint32_t music_timer = 0;
    uint32_t effect_timer = 0;
    uint32_t noise_timer = 0;
    uint32_t pop_unmute_timer = 0;
    Field<uint8_t> sur_en{0};
    Field<uint8_t> sur_vol{0};
    Field<uint8_t> atmos_en{0};
    Field<uint8_t> xupmix_en{0};
    Field<uint8_t> virtual_x_en{0};
    Field<uint8_t> last_eq_mode{0};
    Field<uint8_t> eq_mode{0};
    Field<uint8_t> bass_level{0};
    Field<uint8_t> center_level{0};
    Field<uint8_t> treble_level{0};
    Field<uint8_t> bassboost_en{0};
    Field<uint8_t> sur_left{0};
    Field<uint8_t> sur_right{0};
    Field<uint8_t> height{0};
    Field<uint32_t> latency{0};
    // The pending effect changes, sent by the effect timer.
    Field<uint8_t> sur_en_set_dly_en{0};
    Field<uint8_t> virtual_x_set_dly_en{0};
    Field<uint8_t> eq_set_dly_en{0};
    Field<uint8_t> cus_eq_set_dly_en{0};
    Field<uint8_t> cus_eq_para_set_en{0};
    Field<uint8_t> sur_left_set_dly_en{0};
    Field<uint8_t> sur_right_set_dly_en{0};
    Field<uint8_t> latency_set_dly_en{0};
    // The two curves: `cus_eq` is EQ mode 7's (custom), `style_eq` mode 6's (style list). The
    // setting record names them crosswise: its `style_eq_point` holds `cus_eq`'s gains and its
    // `cus_eq_point` `style_eq`'s, in both directions, so a curve survives a power cycle. Guarded
    // by `curve_lock`.
    std::array<GuiWrapperMusicEqPoint, GUI_WRAPPER_MUSIC_EQ_POINTS> style_eq{};
    std::array<GuiWrapperMusicEqPoint, GUI_WRAPPER_MUSIC_EQ_POINTS> cus_eq{};
    std::mutex curve_lock;
    // The music thread and the events raised for it, oldest first, each with the byte its message
    // carries as it was when raised (the source of a wake-up, the format to show).
    struct RaisedEvt {
        uint32_t evt;
        uint8_t param;
    };
    std::deque<RaisedEvt> evts;
    std::mutex evt_lock;
    std::condition_variable evt_cond;
    Field<uint8_t> run{0};
    std::thread thread;
    Field<uint8_t> init{0};
};

GuiWrapperMusicObj& guiWrapperMusicObj(void);

// The music thread's start and end, with the music wrapper's own.
void guiWrapperMusicThreadStart(void);
void guiWrapperMusicThreadStop(void);
// Raises one event for the music thread.
void guiWrapperMusicEvtRaise(uint32_t evt);

// The timers' callbacks (a test calls them as its clock).
void guiWrapperMusicTimeoutCbk(uint32_t unused);
void guiWrapperMusicNoiseDetectCbk(uint32_t unused);
void guiWrapperEffectTimeoutCbk(uint32_t unused);

// 1 while an effect change is under way: its timer armed or its end still restoring the volume.
// A test waits for 0 before it reads the amplifiers, which the end of the change writes again.
uint8_t guiWrapperMusicEffectPendingForTest(void);
