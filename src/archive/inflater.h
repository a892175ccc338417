// The DEFLATE decoder (RFC 1951) for deflated archive members. It takes its input
// with NextMemberByte and hands its output, a 32 KiB window at a time, to
// WriteMemberData. The window's contents carry over from one member to the next.
#pragma once

// The results of Inflate.
constexpr int kInflateDone = 0;
// A stored length that disagrees with its complement, an invalid code, a repeat
// past the code lengths, an incomplete code-length or literal/length code, or a
// stream that runs on past the member's data.
constexpr int kInflateInvalidData = 1;
// A block of type 3, or an over-subscribed code.
constexpr int kInflateBadCode = 2;
constexpr int kInflateNoMemory = 3;

// Decodes one whole stream; see the results above. On failure the bytes still
// in the window are not written.
int Inflate();

// How often the fixed-code tables have been built in this process (at most once).
int CountFixedTableBuilds();
