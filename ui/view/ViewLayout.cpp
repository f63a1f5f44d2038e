#include "ViewLayout.h"

namespace viewlayout {

Geometry designedGeometry() {
    Geometry g;
    g.tree = {0, 0, 2415, 5775};
    g.insert = {2640, 120, 1935, 335};
    g.updata = {4860, 120, 1815, 335};
    g.output = {6960, 120, 1935, 335};
    g.remove = {2640, 600, 1935, 335};
    g.find = {4860, 600, 1815, 335};
    g.input = {6960, 600, 1935, 335};
    g.labelTitle = {2640, 1245, 540, 180};
    g.title = {3240, 1200, 5655, 270};
    g.labelWeather = {2640, 1635, 540, 180};
    g.weather = {3240, 1605, 2895, 270};
    g.dateWeek = {6240, 1605, 2655, 270};
    g.body = {2640, 1920, 6255, 3855};
    g.banner = {9000, 120, 2460, 5655};
    g.lineX1 = 2640;
    g.lineY = 1080;
    g.lineX2 = 8880;
    return g;
}

std::array<const char*, 14> tabOrder() {
    return {"TreeView_Diary",        "Command_Find",   "Command_Updata", "Command_Input",  "Command_Output",
            "Command_Delete",        "Command_Insert", "Text_Title",     "Label_WeatherL", "Label_Title",
            "RichTextBox_DiaryText", "Label_DateWeek", "Label_Weather",  "WebBrowser_Ad"};
}

ResizeValues resize(float W, float H, const Geometry& current) {
    Geometry g = current;
    ResizeValues v;
    g.tree.height = v.treeHeight = H - 600;
    g.banner.height = v.bannerHeight = H - 750;
    g.banner.left = v.bannerLeft = W - g.banner.width - 200;
    g.title.width = v.titleWidth = g.banner.left - 100 - g.title.left;
    g.weather.width = v.weatherWidth = (g.title.width - 100) / 2;
    g.dateWeek.left = v.dateLeft = g.weather.width + g.weather.left + 100;
    g.dateWeek.width = v.dateWidth = g.weather.width;
    g.body.width = v.bodyWidth = g.title.width + g.title.left - g.body.left;
    g.body.height = v.bodyHeight = H - g.weather.top - g.weather.height - 630;
    v.lineX2 = g.body.width + g.body.left;
    return v;
}

Geometry applied(Geometry g, const ResizeValues& v) {
    g.tree.height = v.treeHeight;
    g.banner.height = v.bannerHeight;
    g.banner.left = v.bannerLeft;
    g.title.width = v.titleWidth;
    g.weather.width = v.weatherWidth;
    g.dateWeek.left = v.dateLeft;
    g.dateWeek.width = v.dateWidth;
    g.body.width = v.bodyWidth;
    g.body.height = v.bodyHeight;
    g.lineX2 = v.lineX2;
    return g;
}

} // namespace viewlayout
