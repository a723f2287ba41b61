#include "driver/driver.h"

static void completeName(std::string& name, const char* extension)
{
    if (name.find('.') == std::string::npos)
        name += extension;
}

bool DeriveNames(const char* in, const char* out, std::string& indatname, std::string& outdatname)
{
    indatname = in;
    completeName(indatname, ".x");

    if (out) {
        outdatname = out;
        completeName(outdatname, ".orf");
        return false;
    }

    // The cut is at the first ".", so a dotted folder name ends the derived name
    // there; the user can always name the output file instead.
    outdatname = indatname.substr(0, indatname.find('.'));
    outdatname += ".orf";
    return true;
}
