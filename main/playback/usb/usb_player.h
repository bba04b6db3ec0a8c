// Client of the USB music player program: a System V queue keyed on the player's program path
// (type 2 towards the player, type 1 back), one operation per command, and a reply thread that
// keeps the playing and paused flags, hands the replies USB playback needs back to it, reports
// the play status and passes the player's mute and channel reports to the music wrapper.
//
// The operations run on the USB playback application's thread; the reply thread is the only
// writer of the flags.
#pragma once

#include "main/playback/usb/usb_pb_msg.h"

#include <cstdint>

#define USB_PLAYER_STOP_COMMAND "systemctl stop velmor.service"

// Where the reply thread delivers: a private message to USB playback, and a play status for the
// state manager (1 playing, 3 paused, 0 stopped). Set before player_init.
struct UsbPlayerReplySink {
    int32_t (*pfPost)(const usb_pb_msg_t* msg);
    int32_t (*pfInform)(uint32_t body);
};
void playerSetReplySink(const UsbPlayerReplySink* sink);

// Opens (creating when needed) the queue and starts the reply thread. 0; -1 when the queue
// cannot be opened.
int32_t player_init(void);
// Stops the player's service, removes the queue, stops and joins the reply thread. 0; -1 when
// the queue could not be removed (the thread is stopped all the same).
int32_t player_deinit(void);

// The queue id, -1 while not open.
int32_t playerGetMsgId(void);

// Commands. Each returns 0 when sent; a command the player's state does not allow returns -1
// and sends nothing. A send that finds the queue full for long (no player reading it) gives up
// with -1 instead of blocking.
namespace usb_player {
// PLAY with the url and flag 1 or 0. -2 for a null url; -1 when the queue is not open or the url
// does not fit the message's field.
int32_t start(const char* url, uint8_t flag);
int32_t pause(void);   // needs playing and not paused
int32_t resume(void);  // needs playing and paused
// SEEK carries the low 32 bits of the position and the whence; needs playing.
int32_t seek(int64_t position, int32_t whence);
int32_t getCurrentPosition(void);  // GET_PROGRESS; needs playing
int32_t getCurrentDuration(void);  // GET_DURATION; needs playing
int32_t getDuration(void);         // the same message
// Sends STOP once the player plays, looking 20 times 100 ms apart; -1 when it never did.
int32_t stop(void);
}  // namespace usb_player

uint8_t get_playing_flag(void);
void set_playing_flag(uint8_t playing);
uint8_t get_pause_flag(void);
void set_pause_flag(uint8_t paused);
void usb_play_set_flag(void);  // paused 0, playing 1
void usb_stop_set_flag(void);  // paused 0, playing 0
