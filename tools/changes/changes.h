// The page of every change setup.exe makes to a PC, written from the tables
// the installer is built from and the figures of its payload.
#pragma once
#include <string>
#include <vector>

#include "payload_list.h"

// The whole Markdown page into `text`. `rows` are the payload list's rows
// with Size and Crc filled (MeasurePayloadRow), in file-table order; the
// server configuration file among them is read for the merge example.
bool ChangesDocument(const std::vector<PackRow>& rows, std::string& text, std::string& error);

// Empty when the two texts have the same lines; otherwise one message naming
// the first line that differs, with the expected and the actual text.
std::string FirstDifference(const std::string& expected, const std::string& actual, const std::string& actualName);
