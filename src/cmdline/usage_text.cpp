#include "cmdline/command_line.h"

CString UsageText() {
    return CString(
        u"Command Line Usage:\n"
        u"\"ApplicationName.exe\" \"path\\inputFile.zbn\" \"path\\outputFile.ppt\" "
        u"\"path\\powerPointTempalateFile.pot\"  \n"
        u"\n"
        u"E.g.\n"
        u"c:\\...\\bin>KWP2PPT.exe \"C:\\bracket_multiple.zbn\"  \"C:\\bracket_Multiple.ppt\"  "
        u"\"C:\\TrelvoTemplate.pot\" \n"
        u"\n"
        u"Here,\n"
        u"param[0] = \"Zbn2PPT.exe\"                 : Application\n"
        u"param[1] = \"C:\\bracket_multiple.zbn\"    : Input data File\n"
        u"param[2] = \"C:\\bracket_Multiple.ppt\"    : Output MS-PowerPoint Presentation file, "
        u"where zbn is linked in TrelvoPresenter\n"
        u"The followings are OPTIONAL parameters, but has to be in the same order.\n"
        u"param[3] = \"C:\\TrelvoTemplate.pot\"     : MS-PowerPoint Template file. \n"
        u"\n"
        u"\n"
        u"Note: This is application is just a Beta Demo Version to show ppt creation for zbn\n"
        u"\n"
        u"\n"
        u"      Dependencies :\n"
        u"                  1.Trelvo Presenter 2009 and above\n"
        u"                  2.MS-PowerPoint2003 and above\n");
}
