#pragma once

#include <optional>
#include <string_view>

// Which backend the driver opens; ZELVANE_PORT overrides the default (auto).
enum class PortChoice { Auto, Direct, Ppdev, Simulated, None };

// Unset or empty means auto; an unknown value gives nullopt.
std::optional<PortChoice> ParsePortChoice(const char *value);
const char *PortChoiceFromEnvironment();

constexpr std::string_view kPortChoiceValues = "auto, direct, ppdev, sim or none";
