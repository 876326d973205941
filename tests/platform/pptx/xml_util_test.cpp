// Schema-order insertion and the node serialiser that every writer in the
// package layer shares.
#include <gtest/gtest.h>

#include <vector>

#include "platform/pptx/xml_util.h"

using namespace quillmax::pptx;

namespace {

pugi::xml_node Load(pugi::xml_document& doc, const char* xml) {
    EXPECT_TRUE(doc.load_string(xml));
    return doc.document_element();
}

TEST(PptxXmlUtil, ChildInOrderFindsOrPlacesBeforeTheFirstLaterSibling) {
    pugi::xml_document doc;
    auto ctn = Load(doc, "<p:cTn><q:unknown/><p:endSync/><p:childTnLst/></p:cTn>");
    auto st = ChildInOrder(ctn, "p:stCondLst", QMX_ORDER_CTN);
    EXPECT_EQ(XmlText(ctn), "<p:cTn><q:unknown/><p:stCondLst/><p:endSync/><p:childTnLst/></p:cTn>");
    // Present already: the same child, never a second one.
    EXPECT_EQ(ChildInOrder(ctn, "p:stCondLst", QMX_ORDER_CTN), st);
    const std::vector<const char*> order = QMX_ORDER_CTN;
    EXPECT_EQ(ChildInOrder(ctn, "p:stCondLst", order), st);
    // Last in the order, or nothing later present: at the end.
    ChildInOrder(ctn, "p:subTnLst", order);
    EXPECT_STREQ(ctn.last_child().name(), "p:subTnLst");
}

TEST(PptxXmlUtil, CopyInOrderPlacesTheCopyWhereTheSchemaWantsIt) {
    pugi::xml_document doc, from;
    auto pic = Load(doc, "<p:pic><p:nvPicPr/><p:blipFill/><p:spPr/><p:extLst/></p:pic>");
    auto style = Load(from, "<p:style><a:lnRef idx=\"2\"/></p:style>");
    auto copy = CopyInOrder(pic, style, QMX_ORDER_PIC);
    EXPECT_EQ(copy.previous_sibling(), pic.child("p:spPr"));
    EXPECT_EQ(XmlText(copy), "<p:style><a:lnRef idx=\"2\"/></p:style>");
}

TEST(PptxXmlUtil, DocumentBytesKeepTheirDeclarationAndEscapeText) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<?xml version=\"1.0\" standalone=\"yes\"?><a t=\"&lt;&quot;\">x &amp; y</a>",
                                pugi::parse_default | pugi::parse_declaration));
    EXPECT_EQ(XmlDocumentBytes(doc),
              "<?xml version=\"1.0\" standalone=\"yes\"?><a t=\"&lt;&quot;\">x &amp; y</a>");
    EXPECT_EQ(XmlText(doc.document_element()), "<a t=\"&lt;&quot;\">x &amp; y</a>");
}

} // namespace
