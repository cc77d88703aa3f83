#pragma once

// The panel window's commands and controls; each pin's indicator has its own identifier in
// the pin table.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDM_ABOUTBOX = 16;
constexpr int IDC_READ_STATUS = 1008;
constexpr int IDC_READ_CONTROL = 1011;
constexpr int IDC_ABOUT_BUTTON = 1012;
