// What a screen reader learns of the widgets drawn here: a gauge bar is a
// progress bar with its value, range and value text, a markup label static
// text with its tags left out. The names are the user's of the widgets.
#pragma once

class TGaugeBar;
class TMarkupLabel;

// Hands Qt's accessibility the interfaces of these widgets. Each widget
// calls it when made; calls after the first do nothing.
void InstallWidgetAccessibility();

// Tell an assistive technology, when one listens, that the value a bar
// stands for or the text of a label changed. Nothing is done otherwise.
void NotifyGaugeValue(TGaugeBar& bar);
void NotifyMarkupText(TMarkupLabel& label);
