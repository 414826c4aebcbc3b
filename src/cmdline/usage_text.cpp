#include "cmdline/command_line.h"

CString UsageText() {
    CString usage;
    usage += u"Command Line Usage:\n";
    usage +=
        u"\"ApplicationName.exe\" \"path\\inputFile.zbn\" \"path\\outputFile.ppt\" "
        u"\"path\\powerPointTempalateFile.pot\"  \n";
    usage += u"\nE.g.";
    usage +=
        u"\nc:\\...\\bin>KWP2PPT.exe \"C:\\bracket_multiple.zbn\"  \"C:\\bracket_Multiple.ppt\"  "
        u"\"C:\\TrelvoTemplate.pot\" \n";
    usage += u"\nHere,\n";
    usage += u"param[0] = \"Zbn2PPT.exe\"                 : Application\n";
    usage += u"param[1] = \"C:\\bracket_multiple.zbn\"    : Input data File\n";
    usage +=
        u"param[2] = \"C:\\bracket_Multiple.ppt\"    : Output MS-PowerPoint Presentation file, "
        u"where zbn is linked in TrelvoPresenter\n";
    usage += u"The followings are OPTIONAL parameters, but has to be in the same order.\n";
    usage += u"param[3] = \"C:\\TrelvoTemplate.pot\"     : MS-PowerPoint Template file. \n";
    usage +=
        u"\n\nNote: This is application is just a Beta Demo Version to show ppt creation for zbn\n";
    usage += u"\n\n      Dependencies :\n";
    usage += u"                  1.Trelvo Presenter 2009 and above\n";
    usage += u"                  2.MS-PowerPoint2003 and above\n";
    return usage;
}
