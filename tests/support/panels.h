#pragma once

namespace orvalet {
class Forms;
class Orvalet;
class frmExpand;
} // namespace orvalet

// The main panel shown, and the extension panel opened by its Expand button.
orvalet::Orvalet& showMainPanel(orvalet::Forms& forms);
orvalet::frmExpand& openExtensionPanel(orvalet::Forms& forms);

// Main and extension keys that send a code, as the key table has them.
extern const char* const mainKeys[8];
extern const char* const extensionKeys[5];
