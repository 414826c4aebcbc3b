// The names and numbers of the PowerPoint binary format that the reader and the writers share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pptfile {

// The streams of a presentation file.
inline constexpr char16_t kDocumentStream[] = u"PowerPoint Document";
inline constexpr char16_t kCurrentUserStream[] = u"Current User";
inline constexpr char16_t kPicturesStream[] = u"Pictures";
inline constexpr char16_t kSummaryStream[] = u"\u0005SummaryInformation";
inline constexpr char16_t kDocSummaryStream[] = u"\u0005DocumentSummaryInformation";

// Shape identifiers come in clusters, cluster n holding n * 1024 to
// n * 1024 + 1023, each owned by one drawing ([MS-ODRAW] 2.2.46).
inline constexpr std::uint32_t kClusterSize = 1024;

// Presentation records.
inline constexpr std::uint16_t RT_Document = 0x03E8;
inline constexpr std::uint16_t RT_DocumentAtom = 0x03E9;
inline constexpr std::uint16_t RT_EndDocumentAtom = 0x03EA;
inline constexpr std::uint16_t RT_Slide = 0x03EE;
inline constexpr std::uint16_t RT_SlideAtom = 0x03EF;
inline constexpr std::uint16_t RT_Notes = 0x03F0;
inline constexpr std::uint16_t RT_NotesAtom = 0x03F1;
inline constexpr std::uint16_t RT_Environment = 0x03F2;
inline constexpr std::uint16_t RT_SlidePersistAtom = 0x03F3;
inline constexpr std::uint16_t RT_MainMaster = 0x03F8;
inline constexpr std::uint16_t RT_SlideShowDocInfoAtom = 0x0401;
inline constexpr std::uint16_t RT_Summary = 0x0402;
inline constexpr std::uint16_t RT_DocRoutingSlipAtom = 0x0406;
inline constexpr std::uint16_t RT_ExternalObjectList = 0x0409;
inline constexpr std::uint16_t RT_ExternalObjectListAtom = 0x040A;
inline constexpr std::uint16_t RT_DrawingGroup = 0x040B;
inline constexpr std::uint16_t RT_Drawing = 0x040C;
inline constexpr std::uint16_t RT_NamedShows = 0x0410;
inline constexpr std::uint16_t RT_RoundTripCustomTableStyles12Atom = 0x0428;
inline constexpr std::uint16_t RT_List = 0x07D0;
inline constexpr std::uint16_t RT_FontCollection = 0x07D5;
inline constexpr std::uint16_t RT_SoundCollection = 0x07E4;
inline constexpr std::uint16_t RT_ColorSchemeAtom = 0x07F0;
inline constexpr std::uint16_t RT_ExternalObjectRefAtom = 0x0BC1;
inline constexpr std::uint16_t RT_PlaceholderAtom = 0x0BC3;
inline constexpr std::uint16_t RT_OutlineTextRefAtom = 0x0F9E;
inline constexpr std::uint16_t RT_TextHeaderAtom = 0x0F9F;
inline constexpr std::uint16_t RT_TextCharsAtom = 0x0FA0;
inline constexpr std::uint16_t RT_StyleTextPropAtom = 0x0FA1;
inline constexpr std::uint16_t RT_TextMasterStyleAtom = 0x0FA3;
inline constexpr std::uint16_t RT_TextCharFormatExceptionAtom = 0x0FA4;
inline constexpr std::uint16_t RT_TextParagraphFormatExceptionAtom = 0x0FA5;
inline constexpr std::uint16_t RT_TextBytesAtom = 0x0FA8;
inline constexpr std::uint16_t RT_TextSpecialInfoDefaultAtom = 0x0FA9;
inline constexpr std::uint16_t RT_FontEntityAtom = 0x0FB7;
inline constexpr std::uint16_t RT_CString = 0x0FBA;
inline constexpr std::uint16_t RT_ExternalOleObjectAtom = 0x0FC3;
inline constexpr std::uint16_t RT_ExternalHyperlinkAtom = 0x0FD3;
inline constexpr std::uint16_t RT_Handout = 0x0FC9;
inline constexpr std::uint16_t RT_SlideNumberMetaCharAtom = 0x0FD8;
inline constexpr std::uint16_t RT_HeadersFooters = 0x0FD9;
inline constexpr std::uint16_t RT_ExternalOleControl = 0x0FEE;
inline constexpr std::uint16_t RT_SlideListWithText = 0x0FF0;
inline constexpr std::uint16_t RT_UserEditAtom = 0x0FF5;
inline constexpr std::uint16_t RT_GenericDateMetaCharAtom = 0x0FF8;
inline constexpr std::uint16_t RT_HeaderMetaCharAtom = 0x0FF9;
inline constexpr std::uint16_t RT_FooterMetaCharAtom = 0x0FFA;
inline constexpr std::uint16_t RT_CurrentUserAtom = 0x0FF6;
inline constexpr std::uint16_t RT_ExternalOleControlAtom = 0x0FFB;
inline constexpr std::uint16_t RT_ExternalMediaAtom = 0x1004;
inline constexpr std::uint16_t RT_ExternalOleObjectStg = 0x1011;
inline constexpr std::uint16_t RT_PrintOptionsAtom = 0x1770;
inline constexpr std::uint16_t RT_PersistDirectoryAtom = 0x1772;

// Drawing (OfficeArt) records.
inline constexpr std::uint16_t RT_OfficeArtDggContainer = 0xF000;
inline constexpr std::uint16_t RT_OfficeArtBStoreContainer = 0xF001;
inline constexpr std::uint16_t RT_OfficeArtDgContainer = 0xF002;
inline constexpr std::uint16_t RT_OfficeArtSpgrContainer = 0xF003;
inline constexpr std::uint16_t RT_OfficeArtSpContainer = 0xF004;
inline constexpr std::uint16_t RT_OfficeArtFDGGBlock = 0xF006;
inline constexpr std::uint16_t RT_OfficeArtFBSE = 0xF007;
inline constexpr std::uint16_t RT_OfficeArtFDG = 0xF008;
inline constexpr std::uint16_t RT_OfficeArtFSPGR = 0xF009;
inline constexpr std::uint16_t RT_OfficeArtFSP = 0xF00A;
inline constexpr std::uint16_t RT_OfficeArtFOPT = 0xF00B;
inline constexpr std::uint16_t RT_OfficeArtClientTextbox = 0xF00D;
inline constexpr std::uint16_t RT_OfficeArtClientAnchor = 0xF010;
inline constexpr std::uint16_t RT_OfficeArtClientData = 0xF011;
inline constexpr std::uint16_t RT_OfficeArtSplitMenuColors = 0xF11E;

// Placeholder kinds (PlaceholderAtom.placementId).
inline constexpr std::uint8_t kPlaceholderMasterTitle = 0x01;
inline constexpr std::uint8_t kPlaceholderMasterBody = 0x02;
inline constexpr std::uint8_t kPlaceholderMasterNotesSlideImage = 0x05;
inline constexpr std::uint8_t kPlaceholderMasterNotesBody = 0x06;
inline constexpr std::uint8_t kPlaceholderMasterDate = 0x07;
inline constexpr std::uint8_t kPlaceholderMasterSlideNumber = 0x08;
inline constexpr std::uint8_t kPlaceholderMasterFooter = 0x09;
inline constexpr std::uint8_t kPlaceholderMasterHeader = 0x0A;
inline constexpr std::uint8_t kPlaceholderTitle = 0x0D;
inline constexpr std::uint8_t kPlaceholderCenterTitle = 0x0F;
inline constexpr std::uint8_t kPlaceholderVerticalTitle = 0x11;

// Text kinds (TextHeaderAtom.textType), also those of the master's styles.
inline constexpr std::uint16_t kTextTypeTitle = 0;
inline constexpr std::uint16_t kTextTypeBody = 1;
inline constexpr std::uint16_t kTextTypeNotes = 2;
inline constexpr std::uint16_t kTextTypeOther = 4;
inline constexpr std::uint16_t kTextTypeCenterBody = 5;
inline constexpr std::uint16_t kTextTypeCenterTitle = 6;
inline constexpr std::uint16_t kTextTypeHalfBody = 7;
inline constexpr std::uint16_t kTextTypeQuarterBody = 8;

// Every record starts with this header: version (4 bits) and instance (12
// bits) in one 16-bit word, then the type and the length of the body.
inline constexpr std::size_t kRecordHeaderSize = 8;
// A version of 0xF marks a container; its body is a sequence of records.
inline constexpr std::uint8_t kContainerVersion = 0x0F;

}  // namespace pptfile
