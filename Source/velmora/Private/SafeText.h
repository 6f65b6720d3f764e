#pragma once

#include <string>
#include <string_view>

// Names and paths read from a file, made safe to print on one line: a control character, a bidi or
// other invisible format mark and a byte that is not UTF-8 are written as an escape ("\n", "\x1b",
// "\u202e", "\xff"); everything else is kept as it is, backslashes included. The same text is accepted
// wherever a name is asked for, so an object shown escaped can be picked by what is shown.
namespace SafeText
{
	// Escaped text is left as it is: escaping twice is escaping once.
	std::string Escaped(std::string_view Text);

	// Whether Text holds nothing Escaped would change.
	bool IsPlain(std::string_view Text);

	// An object's path for a report line, escaped: whole when short, else its end ("…/Parent/Name"), so
	// a line never grows with how deep the object lies.
	std::string ShortPath(const std::string& Path);

	// The longest path ShortPath keeps whole, in bytes.
	constexpr size_t MaxWholePath = 256;
}
