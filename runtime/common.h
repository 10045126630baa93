// Types and values shared by every part of the runtime.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>

// Windows, gadgets and fonts are addressed by object numbers: 0 and up name a
// slot of an object table, AUTO_NUMBER asks a create operation for an
// automatically numbered object, whose identity (its record's address) is its
// number from then on. Pointer-sized so that identities stay whole on any build.
typedef intptr_t ObjectNumber;
const ObjectNumber AUTO_NUMBER = -1;

// Answer of every runtime message handler that does not take a message.
const LRESULT NOT_HANDLED = (LRESULT)(LONG)0xD0D0D0D1;
// Answer of a user callback that lets the built-in handling go on.
const LRESULT PASS_ON = (LRESULT)(LONG)0xE0E0E0E1;

// Window properties of the runtime, each named once here.
// On a runtime window: its number + 1, so that window 0 is told apart from
// a window without the property (GetPropA answers 0 for both otherwise).
inline constexpr char PROPERTY_WINDOW_ID[] = "Kel_WindowID";
// On a gadget's control: the gadget's number or identity, equal to its GWL_ID.
inline constexpr char PROPERTY_GADGET_ID[] = "Kel_ID";
// Marks a window or control registered as a drop target; closing it revokes
// the registration. Nothing in this program sets it, but a window that carries
// it must not stay registered once it is gone.
inline constexpr char PROPERTY_DROP_ACCEPT[] = "Kel_DropAccept";
// On a runtime window: its default push button (made with BS_DEFPUSHBUTTON),
// which Enter presses when the focus is on no push button.
inline constexpr char PROPERTY_DEFAULT_BUTTON[] = "Kel_DefaultButton";

// The module instance handle, stored by the application at start-up; windows
// and gadgets are registered and created with it.
extern HINSTANCE InstanceHandle;
