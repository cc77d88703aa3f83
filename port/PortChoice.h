#pragma once

#include <optional>
#include <string>
#include <string_view>

// Which port, and how it is reached: the grammar of ZELVANE_PORT (and of zelvanectl --port).
enum class PortMethod { Auto, Direct, Ppdev, Simulated, None };

struct PortChoice {
    PortMethod method = PortMethod::Auto;
    std::optional<unsigned> directBase; // direct:BASE; plain direct means 0x378
    std::string ppdevNode;              // ppdev:NODE or ppdev:N; empty means the first port's
    bool baseUnchecked = false;         // direct-unchecked:BASE: asked for wherever it is
    std::string simName = {};           // sim:NAME, shared by the user's programs; empty: private
};

struct ParsedPortChoice {
    std::optional<PortChoice> choice;
    std::string error;                   // for the user, when choice is empty
    std::string source = "ZELVANE_PORT"; // where the choice came from, for messages
};

// Null or empty means auto. source names where the text came from, for the error.
ParsedPortChoice ParsePortChoice(const char *text, std::string_view source = "ZELVANE_PORT");

// The one choice of this process: ZELVANE_PORT, parsed on first use, unless chosen before.
// The start-up grant and every opening use it.
const ParsedPortChoice &SelectedPortChoice();
void SelectPortChoice(ParsedPortChoice parsed);

inline constexpr std::string_view kPortChoiceForms =
    "auto, direct, direct:BASE, direct-unchecked:BASE, ppdev, ppdev:/dev/parportN, ppdev:N, "
    "sim, sim:NAME or none";
