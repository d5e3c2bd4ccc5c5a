// Livery image prefixes: models that share bodywork share one prefix, and
// the Bike Graphics list of a model offers every image whose file name
// begins with it. The minibikes wear the bodywork of their make's 125.
#include "bike/bike_spec.h"

#include <cstring>

namespace {

struct PrefixRow {
  const char* name;
  const char* prefix;
};

const PrefixRow prefix_rows[] = {
    {"450sxf(2018)", "450sxfv2016-"}, {"450sxf(2017)", "450sxfv2016-"}, {"450sxf(2016)", "450sxfv2016-"},
    {"450sxf(2013)", "450sxfv2013-"}, {"450sxf(2011)", "450sxf-"},
    {"crf450(2018)", "crf450v2017-"}, {"crf450(2017)", "crf450v2017-"},
    {"crf450(2016)", "crf450v2013-"}, {"crf450(2013)", "crf450v2013-"}, {"crf450(2011)", "crf450-"},
    {"fc450(2018)", "fc450v2016-"},   {"fc450(2017)", "fc450v2016-"},
    {"kx450f(2018)", "kx450fv2016-"}, {"kx450f(2017)", "kx450fv2016-"}, {"kx450f(2016)", "kx450fv2016-"},
    {"kx450f(2013)", "kx450f-"},      {"kx450f(2011)", "kx450f-"},
    {"rmz450(2018)", "rmz450v2018-"}, {"rmz450(2017)", "rmz450-"},      {"rmz450(2016)", "rmz450-"},
    {"rmz450(2013)", "rmz450-"},      {"rmz450(2011)", "rmz450-"},
    {"yz450f(2018)", "yz450fv2014-"}, {"yz450f(2017)", "yz450fv2014-"}, {"yz450f(2016)", "yz450fv2014-"},
    {"yz450f(2013)", "yz450f-"},      {"yz450f(2011)", "yz450f-"},
    {"350sxf(2017)", "350sxfv2016-"}, {"350sxf(2013)", "350sxfv2013-"}, {"350sxf(2011)", "350sxf-"},
    {"250sx(2012)", "250sx-"},        {"cr250(2007)", "cr250-"},        {"kx250(2006)", "kx250-"},
    {"rm250(2008)", "rm250-"},        {"yz250(2012)", "yz250-"},
    {"250sxf(2018)", "250sxfv2016-"}, {"250sxf(2017)", "250sxfv2016-"}, {"250sxf(2016)", "250sxfv2016-"},
    {"250sxf(2013)", "250sxfv2013-"}, {"250sxf(2009)", "250sxf-"},
    {"crf250(2018)", "crf250v2018-"}, {"crf250(2017)", "crf250v2014-"}, {"crf250(2016)", "crf250v2014-"},
    {"crf250(2013)", "crf250v2010-"}, {"crf250(2009)", "crf250-"},      {"crf250(2008)", "crf250-"},
    {"crf250(2007)", "crf250-"},
    {"fc250(2018)", "fc250v2016-"},   {"fc250(2017)", "fc250v2016-"},
    {"kx250f(2018)", "kx250fv2017-"}, {"kx250f(2017)", "kx250fv2017-"},
    {"kx250f(2016)", "kx250fv2013-"}, {"kx250f(2013)", "kx250fv2013-"},
    {"kx250f(2009)", "kx250f-"},      {"kx250f(2008)", "kx250f-"},      {"kx250f(2007)", "kx250f-"},
    {"rmz250(2018)", "rmz250v2010-"}, {"rmz250(2017)", "rmz250v2010-"}, {"rmz250(2016)", "rmz250v2010-"},
    {"rmz250(2013)", "rmz250v2010-"},
    {"rmz250(2009)", "rmz250-"},      {"rmz250(2008)", "rmz250-"},      {"rmz250(2007)", "rmz250-"},
    {"yz250f(2018)", "yz250fv2014-"}, {"yz250f(2017)", "yz250fv2014-"}, {"yz250f(2016)", "yz250fv2014-"},
    {"yz250f(2013)", "yz250fv2010-"},
    {"yz250f(2009)", "yz250f-"},      {"yz250f(2008)", "yz250f-"},      {"yz250f(2007)", "yz250f-"},
    {"yz250f_se(2006)", "yz250f_se-"},
    {"125sx", "125sx-"},
    {"cr125", "cr125-"},              {"rs50cr", "cr125-"},
    {"kx125", "kx125-"},              {"rs50kx", "kx125-"},
    {"rm125", "rm125-"},              {"rs50rm", "rm125-"},
    {"yz125", "yz125-"},              {"rs50yz", "yz125-"},
};
static_assert(sizeof prefix_rows / sizeof prefix_rows[0] == BIKE_MODELS);

}  // namespace

const char* bike_graphics_prefix(const char* name) {
  if (!name) return nullptr;
  for (const PrefixRow& row : prefix_rows)
    if (strcmp(row.name, name) == 0) return row.prefix;
  return nullptr;
}
