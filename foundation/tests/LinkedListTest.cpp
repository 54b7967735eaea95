#include "foundation/LinkedList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Counts live instances so that tests can see every element deleted.
class Counted : public Object {
public:
    explicit Counted(int* live) : live_(live) { ++*live_; }
    ~Counted() override { --*live_; }
    void display() override { ++displays; }
    static int displays;

private:
    int* live_;
};
int Counted::displays = 0;

std::vector<std::string> textsOf(const LinkedList& list) {
    std::vector<std::string> texts;
    for (Iterator* node = list.getHead(); node != nullptr; node = node->getNext()) {
        texts.push_back(static_cast<String*>(node->getObject())->getContents());
    }
    return texts;
}

}  // namespace

TEST(LinkedList, AddFirstAndLastKeepHeadAndTail) {
    LinkedList list;
    EXPECT_EQ(list.getLength(), 0);
    EXPECT_EQ(list.getHead(), nullptr);

    list.addFirst(new String("b"));
    list.addLast(new String("c"));
    list.addFirst(new String("a"));
    list.addLast(nullptr);
    list.addFirst(nullptr);
    EXPECT_EQ(list.getLength(), 3);
    EXPECT_EQ(textsOf(list), (std::vector<std::string>{"a", "b", "c"}));

    list.clear();
    EXPECT_EQ(list.getHead(), nullptr);
    list.addLast(new String("x"));
    list.addLast(new String("y"));
    EXPECT_EQ(textsOf(list), (std::vector<std::string>{"x", "y"}));
}

TEST(LinkedList, AddAllCopiesMakesDeepCopies) {
    LinkedList source;
    LinkedList copy;
    EXPECT_EQ(copy.addAllCopies(source), 0);
    EXPECT_EQ(copy.getLength(), 0);

    source.addLast(new String("C:\\a.docx"));
    source.addLast(new String("C:\\b.pdf"));
    copy.addLast(new String("already"));
    EXPECT_EQ(copy.addAllCopies(source), 2);
    EXPECT_EQ(textsOf(copy), (std::vector<std::string>{"already", "C:\\a.docx", "C:\\b.pdf"}));
    EXPECT_NE(static_cast<String*>(copy.getHead()->getNext()->getObject())->getContents(),
              static_cast<String*>(source.getHead()->getObject())->getContents());
    source.clear();
    EXPECT_EQ(copy.getLength(), 3);
}

TEST(LinkedList, DeletesEveryElementWithoutDeepRecursion) {
    int live = 0;
    {
        LinkedList list;
        for (int i = 0; i < 100000; ++i) list.addLast(new Counted(&live));
        EXPECT_EQ(live, 100000);
        EXPECT_EQ(list.getLength(), 100000);
        Counted::displays = 0;
        list.display();
        EXPECT_EQ(Counted::displays, 100000);
    }
    EXPECT_EQ(live, 0);

    LinkedList strings;
    for (int i = 0; i < 100000; ++i) strings.addFirst(new String("C:\\folder\\file.docx"));
    strings.clear();
    EXPECT_EQ(strings.getLength(), 0);
}

TEST(ListItem, CopiesItsTexts) {
    char name[] = "Budget.xlsx";
    ListItem item(name, 7, 2, nullptr);
    name[0] = 'X';
    String text;
    item.getName(text);
    EXPECT_STREQ(text.getContents(), "Budget.xlsx");
    EXPECT_EQ(item.getIndex(), 7);
    EXPECT_TRUE(item.getFlag());
    String owner;
    item.getOwner(owner);
    EXPECT_STREQ(owner.getContents(), "");

    ListItem other(nullptr, 0, 0, "alice");
    other.getName(text);
    EXPECT_EQ(text.getContents(), nullptr);
    EXPECT_FALSE(other.getFlag());
    other.getOwner(owner);
    EXPECT_STREQ(owner.getContents(), "alice");
}
