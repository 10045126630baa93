// The event codes and private message numbers that the window layer (which
// turns messages into events) and the gadget layer (whose controls post focus
// notices to their window) both use; neither layer includes the other's
// headers for them.
#pragma once
#include "runtime/common.h"

const LONG EVENT_MOVE = 3;
const LONG EVENT_SIZE = 5;
const LONG EVENT_REPAINT = 15;
const LONG EVENT_CLOSE = 16;
const LONG EVENT_GADGET = 13100;
const LONG EVENT_MENU = 13101;
const LONG EVENT_TRAY = 13102;
const LONG EVENT_FOCUS_NOTICE = 13103;
const LONG EVENT_ACTIVATE = 13104;
const LONG EVENT_DATA_WINDOW = 13105;
const LONG EVENT_DATA_GADGET = 13106;
const LONG EVENT_TYPE_FOCUS = 14000;
const LONG EVENT_TYPE_LOST_FOCUS = 14001;

// Tray notifications, data events and forwarded control messages come from
// components this program does not have; the window procedure still answers
// them, so such a component can be added without touching it.
const UINT MSG_TRAY = 12501;
const UINT MSG_TRAY_POSTED = 12502;
const UINT MSG_GADGET_FORWARD = 13120;
// A control with this identifier reports menu events, not gadget events.
const LONG MENU_CONTROL_ID = -10000;

const LONG TRAY_LEFT_UP = 0;
const LONG TRAY_RIGHT_UP = 1;
const LONG TRAY_LEFT_DOUBLE = 2;
const LONG TRAY_RIGHT_DOUBLE = 3;
