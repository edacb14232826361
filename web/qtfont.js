// The panel's fonts in the browser's terms.
//
// Qt's generic family names are no CSS names: a browser takes "Sans Serif"
// for a family of that name, finds none and falls back to its default face,
// a serif one. And a Qt point is 1/72 of the panel's logical inch, which the
// program reports with the application font, where a CSS point is 1/72 of 96
// pixels; Qt then draws at a whole number of pixels.
var QtFont = (function () {
  'use strict';

  var GENERIC_FAMILIES = {
    'sans serif': 'sans-serif',
    'sansserif': 'sans-serif',
    'sans-serif': 'sans-serif',
    'sans': 'sans-serif',
    'serif': 'serif',
    'monospace': 'monospace',
    'mono': 'monospace'
  };
  var CSS_DPI = 96;
  var POINTS_PER_INCH = 72;
  var SIZE = /^(\d+(?:\.\d+)?)(pt|px)$/;

  var panelDpi = CSS_DPI;

  function setPanelDpi(dpi) {
    var value = Number(dpi);
    panelDpi = isFinite(value) && value > 0 ? value : CSS_DPI;
  }

  // A CSS font-family for a Qt family name. A named family the browser lacks
  // gets the sans-serif face, as the panel's font matching gives it.
  function family(name) {
    var text = String(name).trim();
    var generic = GENERIC_FAMILIES[text.toLowerCase()];
    if (generic)
      return generic;
    return '"' + text.replace(/["\\]/g, '') + '", sans-serif';
  }

  // A CSS pixel size for a Qt size text ("9pt", "12px"); null for any other text.
  function size(text) {
    var found = SIZE.exec(String(text));
    if (!found)
      return null;
    var value = Number(found[1]);
    if (found[2] === 'px')
      return value + 'px';
    // As Qt rounds: to hundredths first, then to a whole pixel.
    var pixels = Math.floor((value * panelDpi * 100 + 50) / POINTS_PER_INCH) / 100;
    return Math.max(1, Math.round(pixels)) + 'px';
  }

  return {
    setPanelDpi: setPanelDpi,
    family: family,
    size: size
  };
})();
