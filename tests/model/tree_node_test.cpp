#include "model/tree_node.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qb {
namespace {

std::vector<std::string> ChildNames(const CTreeNode& node) {
    std::vector<std::string> names;
    for (CTreeNode* c = node.GetFirstChild(); c != nullptr; c = c->GetNextSibling())
        names.push_back(c->m_strName);
    return names;
}

// A node that counts how many of its kind are alive.
struct Counted : CTreeNode {
    explicit Counted(const std::string& name) : CTreeNode(name, name) { ++alive; }
    ~Counted() override { --alive; }
    static inline int alive = 0;
};

// Adds a new node in front of `parent`'s children and returns it.
CTreeNode* Add(CTreeNode& parent, const std::string& name) {
    auto node = std::make_unique<Counted>(name);
    CTreeNode* raw = node.get();
    parent.AddChild(std::move(node));
    return raw;
}

TEST(TreeNode, AddChildPrependsSinglesAndChains) {
    CTreeNode parent("P", "p");
    CTreeNode* b = Add(parent, "B");
    CTreeNode* a = Add(parent, "A");
    EXPECT_EQ(ChildNames(parent), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(a->m_pPrev, &parent);
    EXPECT_EQ(b->m_pPrev, a);

    auto x = std::make_unique<CTreeNode>("X", "x");
    auto* y = new CTreeNode("Y", "y"); // owned by the chain's head from here on
    x->m_pNext = y;
    y->m_pPrev = x.get();
    CTreeNode* head = x.get();
    parent.AddChild(std::move(x));
    EXPECT_EQ(ChildNames(parent), (std::vector<std::string>{"X", "Y", "A", "B"}));
    EXPECT_EQ(a->m_pPrev, y);
    EXPECT_EQ(head->m_pPrev, &parent);
}

TEST(TreeNode, NavigationThroughBackLinks) {
    CTreeNode root("R", "r");
    CTreeNode* c = Add(root, "C");
    CTreeNode* b = Add(root, "B");
    CTreeNode* a = Add(root, "A");
    EXPECT_EQ(root.GetParent(), nullptr);
    EXPECT_TRUE(root.IsRoot());
    EXPECT_EQ(a->GetParent(), &root);
    EXPECT_EQ(c->GetParent(), &root);
    EXPECT_EQ(a->GetPrevSibling(), nullptr);
    EXPECT_EQ(c->GetPrevSibling(), b);
    EXPECT_EQ(c->GetFirstSibling(), a);
    EXPECT_EQ(a->GetLastSibling(), c);
    EXPECT_EQ(root.GetFirstSibling(), &root);
    EXPECT_TRUE(root.HasChildren());
    EXPECT_FALSE(a->HasChildren());
}

TEST(TreeNode, UnlinkHandsOverFirstMiddleLastButNoRoot) {
    CTreeNode root("R", "r");
    CTreeNode* c = Add(root, "C");
    CTreeNode* b = Add(root, "B");
    CTreeNode* a = Add(root, "A");

    std::unique_ptr<CTreeNode> middle = b->Unlink();
    EXPECT_EQ(middle.get(), b);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(c->m_pPrev, a);
    EXPECT_EQ(b->m_pPrev, nullptr);
    EXPECT_EQ(b->m_pNext, nullptr);

    std::unique_ptr<CTreeNode> first = a->Unlink();
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"C"}));
    EXPECT_EQ(c->m_pPrev, &root);

    std::unique_ptr<CTreeNode> last = c->Unlink();
    EXPECT_FALSE(root.HasChildren());

    EXPECT_EQ(root.Unlink(), nullptr);
    EXPECT_TRUE(root.IsRoot());
}

TEST(TreeNode, UnlinkedNodeKeepsChildrenAndMovesElsewhere) {
    CTreeNode root("R", "r"), other("O", "o");
    CTreeNode* a = Add(root, "A");
    CTreeNode* child = Add(*a, "K");
    other.AddChild(a->Unlink());
    EXPECT_EQ(a->GetFirstChild(), child);
    EXPECT_EQ(a->GetParent(), &other);
    EXPECT_EQ(child->GetParent(), a);
    EXPECT_FALSE(root.HasChildren());
}

TEST(TreeNode, OwnerFreesEveryNodeOnceAndNodesLeaveTheTreeTheyDieIn) {
    Counted::alive = 0;
    {
        CTreeNode root("R", "r");
        CTreeNode* a = Add(root, "A");
        Add(*Add(*a, "A1"), "A11");
        Add(*a, "A2");
        CTreeNode* b = Add(root, "B");
        Add(root, "C");
        EXPECT_EQ(Counted::alive, 6);

        // A node destroyed while still in the tree takes its subtree along and leaves the rest.
        delete a;
        EXPECT_EQ(Counted::alive, 2);
        EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"C", "B"}));
        EXPECT_EQ(b->m_pPrev->m_strName, "C");

        root.DeleteChildren();
        EXPECT_EQ(Counted::alive, 0);
        Add(root, "D");
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(TreeNode, DeepAndWideTreesAreFreedWithoutRecursion) {
    Counted::alive = 0;
    {
        CTreeNode root("R", "r");
        CTreeNode* node = &root;
        for (int i = 0; i < 200000; ++i) // far deeper than any stack could recurse
            node = Add(*node, "d");
        for (int i = 0; i < 1000; ++i)
            Add(*Add(root, "w"), "k");
    }
    EXPECT_EQ(Counted::alive, 0);
}

} // namespace
} // namespace qb
