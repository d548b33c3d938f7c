// The tree's order rule: nodes are appended; a text change re-sorts that node's siblings
// (stable, lstrcmpA) and nothing below them. Checked against a plain model of the rule.
#include <map>
#include <random>

#include "plugins/node_data.h"
#include "ui/treeview.h"
#include "zvtest.h"

namespace {

// Each node is known by the number it was added as, so that nodes of equal texts, which the
// re-sort must keep in their order, can be told apart.
struct TPlainTree {
    std::vector<std::pair<std::string, int>> nodes;
    void Add(const std::string& t, int id) { nodes.emplace_back(t, id); }
    void Change(size_t i, const std::string& t)
    {
        nodes[i].first = t;
        std::stable_sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) {
            return lstrcmpA(a.first.c_str(), b.first.c_str()) < 0;
        });
    }
};

std::vector<std::string> Texts(const zv::TTreeNode* parent)
{
    std::vector<std::string> t;
    for (size_t i = 0; i < parent->Count(); ++i) t.push_back(parent->Item(i)->Text());
    return t;
}

class THostPanel : public zv::TPanel {
public:
    THostPanel() : TPanel(nullptr, bvNone, bvNone) {}
};

}  // namespace

TEST(TreeModel, TextChangesSortSiblingsOnlyAndKeepLaterAddsInOrder)
{
    THostPanel host;
    zv::TTreeView tree(&host);
    tree.SortByText = true;
    zv::TTreeNode* cat = tree.Add(nullptr, "cat");
    zv::TTreeNode* c = tree.Add(cat, "c");
    tree.Add(cat, "b");
    zv::TTreeNode* a = tree.Add(cat, "a");
    tree.Add(c, "z");
    tree.Add(c, "y");
    EXPECT_EQ(Texts(cat), (std::vector<std::string>{"c", "b", "a"})) << "adding does not sort";
    a->SetText("d");
    EXPECT_EQ(Texts(cat), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(Texts(c), (std::vector<std::string>{"z", "y"})) << "the re-sort does not reach grandchildren";
    tree.Add(cat, "a2");
    tree.Add(cat, "a1");
    EXPECT_EQ(Texts(cat), (std::vector<std::string>{"b", "c", "d", "a2", "a1"}));
    EXPECT_EQ(cat->Item(3)->Index(), 3u);
}

TEST(TreeModel, MatchesThePlainRuleOverRandomChanges)
{
    THostPanel host;
    zv::TTreeView tree(&host);
    tree.SortByText = true;
    zv::TTreeNode* cat = tree.Add(nullptr, "cat");
    TPlainTree plain;
    std::map<const zv::TTreeNode*, int> ids;
    auto shown = [&] {
        std::vector<std::pair<std::string, int>> nodes;
        for (size_t i = 0; i < cat->Count(); ++i) nodes.emplace_back(cat->Item(i)->Text(), ids[cat->Item(i)]);
        return nodes;
    };
    std::mt19937 rng(1234);
    // Equal texts are frequent, and the pool holds texts that lstrcmpA orders by case and
    // hyphens only: both put the stability of the re-sort to the test.
    const std::vector<std::string> pool = {"alpha", "Alpha", "al-pha", "beta", "工具栏", "浏览器", "Zeta", "zeta",
                                           "10", "9", "a [启用]", "a [已禁用]"};
    for (int step = 0; step < 3000; ++step) {
        const std::string text = pool[rng() % pool.size()] + std::to_string(rng() % 3);
        if (plain.nodes.empty() || rng() % 3 == 0) {
            ids[tree.Add(cat, text)] = step;
            plain.Add(text, step);
        } else {
            const size_t i = rng() % plain.nodes.size();
            cat->Item(i)->SetText(text);
            plain.Change(i, text);
        }
        ASSERT_EQ(shown(), plain.nodes) << "step " << step;
    }
    for (size_t i = 0; i < cat->Count(); ++i) ASSERT_EQ(cat->Item(i)->Index(), i);
}

TEST(TreeModel, DeleteRemovesTheSubtreeAndMovesTheSelectionLikeTheTreeView)
{
    THostPanel host;
    zv::TTreeView tree(&host);
    zv::TTreeNode* root = tree.Add(nullptr, "root");
    zv::TTreeNode* a = tree.Add(root, "a");
    tree.Add(a, "a.1");
    zv::TTreeNode* b = tree.Add(root, "b");
    std::vector<zv::TTreeNode*> changes;
    tree.OnChange = [&](zv::TTreeNode* n) { changes.push_back(n); };
    EXPECT_EQ(tree.Count(), 4u);
    tree.Select(a);
    tree.Delete(a);
    EXPECT_EQ(tree.Count(), 2u);
    EXPECT_EQ(tree.Selected(), b) << "the next sibling takes the selection";
    tree.Delete(b);
    EXPECT_EQ(tree.Selected(), root) << "then the parent";
    EXPECT_EQ(changes, (std::vector<zv::TTreeNode*>{a, b, root}));
    EXPECT_EQ(tree.Nodes(), (std::vector<zv::TTreeNode*>{root}));
    tree.Clear();
    EXPECT_EQ(tree.Count(), 0u);
    EXPECT_EQ(tree.Selected(), nullptr);
}
