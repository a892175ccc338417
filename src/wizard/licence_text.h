// The licence agreement setup shows before it asks for the user's details.
#pragma once

// 47 lines joined by CR LF, no line break at the end: 24 paragraphs of one line
// each, separated by empty lines.
extern const char LicenceText[];
