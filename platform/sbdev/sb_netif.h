// A network interface's flags (IFF_UP, IFF_RUNNING, ...): on the board SIOCGIFFLAGS on a datagram
// socket; on a host with a board simulator the flags it keeps ("sbsimctl net eth0 up|down").
#pragma once

// 0 with *flags set, or -1 with errno (ENODEV for an unknown interface).
int sb_netif_flags(const char* ifname, short* flags);
