#include "DemoArchive.h"

#include <algorithm>

namespace {

// "Anne Hollis <anne@example.org>" is listed as "Anne Hollis".
std::string SenderName(const std::string& from) {
    const std::size_t bracket = from.find(" <");
    return bracket == std::string::npos ? from : from.substr(0, bracket);
}

// "Fri, 14 Mar 2003 09:12:45 +0000" is listed as "14 Mar 2003 09:12".
std::string ShortDate(const std::string& date) {
    const std::size_t comma = date.find(", ");
    const std::string rest = comma == std::string::npos ? date : date.substr(comma + 2);
    return rest.substr(0, std::min<std::size_t>(rest.size(), 17));
}

DemoMessage Message(std::string from, std::string subject, std::string date, std::uint32_t time,
                    std::string newMailName, std::string body) {
    return {std::move(from),
            "Sam Tarrant <sam@example.net>",
            std::move(subject),
            std::move(date),
            time,
            std::move(newMailName),
            std::move(body)};
}

} // namespace

std::vector<DemoFolder> DemoFolders() {
    return {
        {"FOL07633.PMM",
         "Main Folder",
         "632A9229:7633:FOL07633",
         {Message("Anne Hollis <anne@example.org>", "Minutes of the March meeting",
                  "Fri, 14 Mar 2003 09:12:45 +0000", 1047633165, "T30527D1.CNM",
                  "Sam,\n\nThe minutes are below. Next meeting is on the 11th of April.\n\n"
                  "1. Budget agreed.\n2. Hall booking moved to Thursdays.\n\nAnne\n"),
          Message("Robert Quayle <rq@example.com>", "Re: Lift to the station",
                  "Mon, 17 Mar 2003 18:40:02 +0000", 1047926402, "T30531A7.CNM",
                  "Fine by me, I will be outside at half past seven.\n\nRob\n")}},
        {"FOL0A1B2.PMM",
         "Projects 2003",
         "FOL0A1B2",
         {Message("Office <office@example.com>", "Quote for the roof repairs",
                  "Tue, 06 May 2003 11:02:17 +0100", 1052215337, "Q1B2C3D4.CNM",
                  "Dear Mr Tarrant,\n\nPlease find our quote for the work discussed below.\n"
                  "Labour and materials: 1,840.00\n\nKind regards,\nThe Office\n"),
          Message("Anne Hollis <anne@example.org>", "Garden plans",
                  "Sat, 24 May 2003 08:15:00 +0100", 1053760500, "Q1B2C9F0.CNM",
                  "Here are the sketches I promised. The pond stays where it is.\n")}},
        {"FOL01C13.PMM",
         "Family",
         "2984424:1C13:FOL01C13",
         {Message("Mum <mum@example.org>", "Sunday lunch", "Thu, 02 Oct 2003 20:31:55 +0100",
                  1065123115, "M4K2L9P1.CNM",
                  "Lunch is at one. Bring the photos from the wedding please.\n\nLove, Mum\n"),
          Message("Jo Tarrant <jo@example.net>", "Photos", "Sun, 05 Oct 2003 21:07:40 +0100",
                  1065384460, "M4K2M0A3.CNM",
                  "The photos are on the shared drive now, in a folder called Wedding.\n"),
          Message("Mum <mum@example.org>", "Re: Photos", "Mon, 06 Oct 2003 07:58:12 +0100",
                  1065423492, "M4K2M1C8.CNM", "Lovely, thank you both.\n")}},
        {"copyself.pmm",
         "Copies to self",
         "GTCNHPSY:0385:UNX0391B",
         {Message("Sam Tarrant <sam@example.net>", "Reminder: insurance renewal",
                  "Wed, 10 Dec 2003 12:00:00 +0000", 1071057600, "S9X0Y1Z2.CNM",
                  "Renewal is due on the 2nd of January. Policy number in the blue folder.\n")}},
    };
}

std::string MessageText(const DemoMessage& message) {
    return folder_files::MessageText(
        {"Received: from mail.example.net by pop.example.net; " + message.date,
         "From: " + message.from, "To: " + message.to, "Date: " + message.date,
         "Subject: " + message.subject, "X-Mailer: Tarnwick demo archive"},
        message.body);
}

namespace {

std::vector<std::string> MessageTexts(const DemoFolder& folder) {
    std::vector<std::string> texts;
    for (const DemoMessage& message : folder.messages) {
        texts.push_back(MessageText(message));
    }
    return texts;
}

} // namespace

std::string FolderFileBytes(const DemoFolder& folder) {
    return folder_files::FolderFile(folder_files::FolderHeader(folder.displayName, folder.folderId),
                                    MessageTexts(folder));
}

std::string IndexFileBytes(const DemoFolder& folder) {
    std::vector<folder_files::IndexEntry> entries;
    for (const DemoMessage& message : folder.messages) {
        entries.push_back({0, message.newMailName, SenderName(message.from), message.subject,
                           ShortDate(message.date), message.time});
    }
    return folder_files::IndexFile(MessageTexts(folder), entries);
}

std::vector<DemoFile> BuildDemoArchive() {
    std::vector<DemoFile> files;
    for (const DemoFolder& folder : DemoFolders()) {
        files.push_back({folder.fileName, FolderFileBytes(folder)});
        files.push_back({folder_files::IndexNameOf(folder.fileName), IndexFileBytes(folder)});
    }
    // New mail that had not been filed yet when the archive was made.
    files.push_back(
        {"Y2GMIRAW.CNM", MessageText(Message("Robert Quayle <rq@example.com>", "Saturday",
                                             "Fri, 19 Dec 2003 16:45:10 +0000", 1071852310, "",
                                             "Are we still on for Saturday? Rob\n"))});
    files.push_back(
        {"P1A2B3C4.CNM", MessageText(Message("Anne Hollis <anne@example.org>", "Season's greetings",
                                             "Mon, 22 Dec 2003 10:20:30 +0000", 1072088430, "",
                                             "Happy Christmas to you all!\n\nAnne\n"))});
    return files;
}
