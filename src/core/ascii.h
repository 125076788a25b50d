// Case folding of the ASCII letters only, for names the system compares
// without regard to case (paths, configuration keywords); other characters
// are compared as they stand, whatever the code page.
#pragma once

template <typename Char>
Char AsciiLower(Char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c - 'A' + 'a') : c;
}

// True when `text` begins with `prefix`, letters compared without case.
template <typename Char>
bool StartsWithIgnoringCase(const Char* text, const Char* prefix)
{
    for (; *prefix; ++text, ++prefix) {
        if (AsciiLower(*text) != AsciiLower(*prefix))
            return false;
    }
    return true;
}

template <typename Char>
bool EqualIgnoringCase(const Char* a, const Char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b))
            return false;
    }
    return *a == *b;
}
