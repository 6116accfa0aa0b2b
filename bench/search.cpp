// The search benchmark (bench/run, row "search"): the main window's browser with 100,000 maps,
// half of them in 1,000 tree groups, and the time of one query of the search field (filtering
// both views and updating them) over a fixed list of queries: one letter, two words, a filter,
// clearing. Prints the median in microseconds on standard output, details on standard error.
//
//   vorlix-bench-search [--maps N] [--rounds R]

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "browser/map_search.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/search_bar.h"
#include "content/mod_list.h"
#include "core/interaction.h"
#include "database/game_index.h"
#include "database/records.h"
#include "silent_interaction.h"

namespace {

// Titles of two or three made-up words, some with Latin-1 accents.
std::string Title(std::mt19937& random) {
  static const std::vector<std::string> syllables = {
      "ra", "dm", "ka", "tor", "vel", "qu", "zen",   "\xE9l", "st", "ar", "on", "gr",
      "ix", "mo", "th", "ul",  "ber", "cy", "d\xF6", "sk",    "ny", "lo", "fe", "wa"};
  std::string title;
  const int words = 2 + static_cast<int>(random() % 2);
  for (int w = 0; w < words; ++w) {
    if (w > 0) {
      title += ' ';
    }
    const int parts = 2 + static_cast<int>(random() % 2);
    for (int p = 0; p < parts; ++p) {
      std::string part = syllables[random() % syllables.size()];
      if (p == 0 && part[0] >= 'a' && part[0] <= 'z') {
        part[0] = static_cast<char>(part[0] - 'a' + 'A');
      }
      title += part;
    }
  }
  return title;
}

// The processor time of this thread: the wall time less what other programs took.
double Thread_Cpu_Us() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n == 0 ? 0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int map_count = 100000;
  int rounds = 15;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--maps") {
      map_count = std::max(1000, std::stoi(argv[i + 1]));
    } else if (name == "--rounds") {
      rounds = std::max(1, std::stoi(argv[i + 1]));
    }
  }

  vorlix::bench::TSilent_Interaction ui{"vorlix-bench-search"};
  vorlix::TPK3_Record_Store database(vorlix::TDatabase_Paths{});
  vorlix::TMOD_List mods;
  const std::vector<std::string> mod_names = {"baseq3", "cpma", "osp", "defrag"};
  for (const auto& mod : mod_names) {
    mods.Append(mod, mod);
  }
  std::mt19937 random(17);
  const int per_archive = 5;
  // What the game's own files say: bot files for some maps, and every tenth archive with an
  // arena script naming its maps (the game type and bots filters read it).
  auto game = std::make_shared<vorlix::TGame_Index>();
  std::vector<vorlix::TArchive_Facts> archives;
  for (int p = 0; p < map_count / per_archive; ++p) {
    vorlix::TPK3_Record* pk3 = database.Items(database.Add_Record());
    pk3->MOD_Directory = mod_names[static_cast<std::size_t>(p) % mod_names.size()];
    pk3->PK3_Filename = "pack" + std::to_string(p) + ".pk3";
    pk3->PK3_Filedate = static_cast<std::int32_t>((static_cast<std::uint32_t>(40 + p % 7) << 25) |
                                                  (1U << 21) | (1U << 16));
    pk3->Maps = database.New_Map_Manager(pk3);
    for (int m = 0; m < per_archive; ++m) {
      vorlix::TMap_Record* map = pk3->Maps->Items(pk3->Maps->Add_Record());
      map->MAP_Filename = "M" + std::to_string(p) + "_" + std::to_string(m) + ".BSP";
      map->Map_Longname = Title(random);
      map->Game_Types = static_cast<std::uint8_t>(1U << (random() % 6));
      map->Rating = static_cast<std::int32_t>(random() % 10);
      map->Has_AAS = random() % 2 == 0;
      map->Useable_MODs = {pk3->MOD_Directory};
      if (random() % 5 == 0) {
        map->Comment = "played on " + Title(random);
      }
    }
    vorlix::TArchive_Facts facts;
    facts.MOD_Directory = pk3->MOD_Directory;
    facts.PK3_Filename = pk3->PK3_Filename;
    for (int m = 0; m < per_archive; ++m) {
      const std::string stem = "M" + std::to_string(p) + "_" + std::to_string(m);
      facts.Maps.push_back(stem);
      if (random() % 3 == 0) {
        facts.Bot_Files.push_back(stem);
      }
      if (p % 10 == 0) {
        facts.Arenas.push_back({"scripts/pack.arena", {{"map", stem}, {"type", "ctf ffa"}}});
      }
    }
    if (p % 10 == 0) {
      facts.Arena_Scripts = {"scripts/pack" + std::to_string(p) + ".arena"};
      for (auto& info : facts.Arenas) {
        info.Script = facts.Arena_Scripts.front();
      }
    }
    archives.push_back(std::move(facts));
  }
  game->Set_Archives(std::move(archives));

  QMainWindow window;
  auto* view = new vorlix::TBrowser_View(&window);
  window.setCentralWidget(view);
  view->Install_Commands(&window);
  window.resize(1200, 800);
  window.show();
  view->Set_Context({&database, &mods, &ui, std::string(), std::string(), std::string()});
  view->Load_Maps_List();
  // Half of the maps into 1,000 groups: 100 groups below the root with 10 groups each.
  vorlix::TMaps_Tree& tree = view->Tree();
  tree.Make_Group(vorlix::Root_Group_Name);
  std::vector<vorlix::TMap_Record*> into_tree;
  for (const auto& item : view->List().Items()) {
    if (item.Map->ID % 2 == 0) {
      into_tree.push_back(item.Map);
    }
  }
  std::vector<vorlix::TMaps_Tree_Node*> groups;
  for (int g = 0; g < 100; ++g) {
    tree.Select(tree.Root());
    vorlix::TMaps_Tree_Node* top = tree.Make_Group("Group " + std::to_string(g));
    for (int s = 0; s < 10; ++s) {
      tree.Select(top);
      groups.push_back(tree.Make_Group("Sub " + std::to_string(s)));
    }
  }
  std::vector<std::vector<vorlix::TMap_Record*>> shares(groups.size());
  for (std::size_t i = 0; i < into_tree.size(); ++i) {
    shares[i % groups.size()].push_back(into_tree[i]);
  }
  for (std::size_t g = 0; g < groups.size(); ++g) {
    tree.Drop_List_Items(groups[g], shares[g]);
  }
  view->List().Sort();
  QTreeView* tree_view = view->Tree_View();
  tree_view->expand(view->Tree_Model()->Index_Of(tree.Root()));
  for (int g = 0; g < tree.Root()->Child_Count(); g += 10) {
    tree_view->expand(view->Tree_Model()->Index_Of(tree.Root()->Child(g)));
  }
  QApplication::processEvents();

  vorlix::TSearch_Bar& bar = *view->Search_Bar();
  bar.Set_Game_Index_Source([game]() { return game; });
  vorlix::TMap_Filters ctf;
  ctf.Game_Type = vorlix::GT_Capture_The_Flag;
  const std::vector<std::pair<const char*, std::function<void()>>> queries = {
      {"one letter", [&] { bar.Field()->setText(QStringLiteral("r")); }},
      {"two words", [&] { bar.Field()->setText(QStringLiteral("ra el")); }},
      {"a filter",
       [&] {
         bar.Field()->clear();
         bar.Set_Filters(ctf);
       }},
      {"clearing", [&] { bar.Clear(); }},
  };
  std::vector<double> all;
  std::vector<std::vector<double>> each(queries.size());
  std::vector<std::vector<double>> applied(queries.size());
  std::vector<std::vector<double>> cpu(queries.size());
  QElapsedTimer timer;
  double first = 0;
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t q = 0; q < queries.size(); ++q) {
      timer.start();
      const double cpu_start = Thread_Cpu_Us();
      queries[q].second();
      const double apply_us = static_cast<double>(timer.nsecsElapsed()) / 1000.0;
      // The views lay out and paint what they now show (the window's update request).
      QApplication::processEvents();
      const double us = static_cast<double>(timer.nsecsElapsed()) / 1000.0;
      cpu[q].push_back(Thread_Cpu_Us() - cpu_start);
      if (round > 0) {  // the first query of all builds the index: reported apart
        all.push_back(us);
        each[q].push_back(us);
        applied[q].push_back(apply_us);
      } else if (q == 0) {
        first = us;
      }
    }
  }
  std::cerr << "search over " << view->Search_Bar()->All_Maps() << " maps, " << groups.size()
            << " groups: first query (builds the index) " << first / 1000.0 << " ms;";
  for (std::size_t q = 0; q < queries.size(); ++q) {
    std::cerr << " " << queries[q].first << " " << Median(each[q]) / 1000.0 << " ms ("
              << Median(applied[q]) / 1000.0 << " ms filtering, " << Median(cpu[q]) / 1000.0
              << " ms processor time);";
  }
  std::cerr << "\n";
  std::printf("%.0f\n", Median(all));
  return 0;
}
