// Releases a COM interface pointer, if any, and leaves it null; safe to call
// on every pointer of a chain, whichever step failed.
#pragma once

template <typename Interface>
void ReleaseCom(Interface*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}
