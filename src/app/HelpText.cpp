#include "app/HelpText.h"

#include "app/Version.h"

std::string BuildHelpText() {
    const char* const crlf = "\r\n";
    std::string text;
    text += "Pegasus Mail cannot display two mail folders with the same ";
    text += "internal ID even if they are in separate mailboxes. ";
    text += "Mail folders also have to be Read-Write.";
    text += crlf;
    text += crlf;
    text += "This causes problems when trying to view mail folders which have been ";
    text += "archived by copying them to backup media.";
    text += crlf;
    text += "This utility:";
    text += crlf;
    text += "1. Copies all .PMM and .PMI files in the source directory to the";
    text += crlf;
    // Four x for the index file, five for the message file: shown as written.
    text += "destination directory and renames them as BAKxxxxx.PMM and BAKxxxx.PMI.";
    text += crlf;
    text += "2. Ensures that the resulting file is Read/Write.";
    text += crlf;
    text += "3. Creates a different internal unique ID for the file.";
    text += crlf;
    text += crlf;
    text += "Once you have run this program to restore archived folders to a directory";
    text += " ";
    text += "you can attach that directory using the Pegasus Mail 'Add mailbox to list' option";
    text += " ";
    text += "and access the archived folders in this new mailbox";
    text += crlf;
    text += crlf;
    text += "Version " TARNWICK_VERSION;
    text += crlf;
    text += "Tarnwick is written by the Tarnwick developers.";
    text += crlf;
    text += crlf;
    return text;
}
