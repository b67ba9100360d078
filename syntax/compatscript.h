#pragma once

#include "syntax/oldpages.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::syntax {

// Putting the compatibility layer together for a page: its channel to the program, its prelude,
// who the page is told it runs in, and the parts the page needs, in their order, as one script.

// Where the layer runs: in the program (its channel answers), or in a page saved to run in
// today's browsers, with no program behind it.
enum class CompatHost { Program, Standalone };

struct CompatSetup {
    CompatHost host = CompatHost::Program;
    // The page is a dialog the program opened for showModalDialog, with these arguments (JSON
    // text as the opener gave it; never run, only parsed).
    bool dialog = false;
    std::string dialogArguments = "null";
    // compat.options.files: the files the parts read for themselves (CompatScan::files).
    std::vector<std::pair<std::string, std::string>> files;
};

// The layer's one script for a page that needs `needs`; empty when it needs nothing.
std::string composeCompatScript(const CompatNeeds& needs, const CompatSetup& setup = {});

// The parts this build has (a part's file may not be written yet).
bool hasCompatPart(CompatPart part);

// The channel the program's own page scripts begin with: the body of a function whose value
// is {send, call}.
std::string_view programChannelScript();

// `text` as a JavaScript string literal, quotes included; `text` is UTF-8.
std::string javaScriptString(std::string_view text);

} // namespace corvane::syntax
