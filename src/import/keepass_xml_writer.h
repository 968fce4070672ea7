#pragma once
// A profile written as KeePass 2 XML, which keepassxc-cli import (and KeePass's XML import) read:
// the way out of Keyloft that keeps what both can hold. Categories become groups below the root
// group ("Work/Email" a group Email in a group Work; past 64 levels the rest of the path is the
// last group's name), every category even without entries; an
// entry's description, user code, password, web site and notes its Title, UserName, Password, URL
// and Notes; its e-mail address a string field "Email"; its expiry date the entry's expiry, at
// midnight where the export is made. Import reads every one of them back (import_keepass_xml.cpp).

#include <string>
#include <vector>

#include "store/profile.h"

namespace keyloft {

class ExpiryDateReader;

struct KeePassXmlExport {
    std::string text;                   // UTF-8
    std::vector<std::string> warnings;  // "entry 3: ..." for what XML cannot hold as it is
};

// The entries and categories of `profile`. `dates` reads the stored expiry texts; one it cannot
// read is kept as a string field "Expiry Date". Characters that XML 1.0 cannot hold (control
// characters other than tab and line breaks, unpaired surrogates) are written as U+FFFD and
// named in a warning; a carriage return is written as a character reference, so that it stays.
KeePassXmlExport WriteKeePassXml(const Profile& profile, const ExpiryDateReader& dates);

}  // namespace keyloft
