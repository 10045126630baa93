// The numbers of the main window, its gadgets (in the order of the window's
// tab stops) and its font: the main window's own, and what the busy window
// (pack_busy.h) greys and gives back.
#pragma once
#include "runtime/common.h"

const ObjectNumber MainWindow = 0;
const ObjectNumber GADGET_PATH = 0;
const ObjectNumber GADGET_BROWSE = 1;
const ObjectNumber GADGET_LEVEL = 2;
const ObjectNumber GADGET_COMPRESS = 3;
const ObjectNumber APP_FONT = 0;
