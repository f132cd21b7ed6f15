#pragma once
#include <windows.h>
#include <initializer_list>

// Sizes a control without moving it and brings it to the top of the z-order,
// as skinning does.
void SizeAtTop(HWND control, int width, int height);

// Puts the dialog's controls at the top of the z-order, in the given order,
// which is the order Tab visits them in. Skinning brings controls to the top
// one by one, so the template's order does not survive it.
void StackInTabOrder(HWND dialog, std::initializer_list<int> ids);
