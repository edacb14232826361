// Browser side of a standard widget: a box at the widget's place in its group
// holding the boxes of its components, each filled by the object that the
// component's own constructor text builds.
//
//   new standartWidget(top, left, height, width, transparent, {"0": {...}, ...})
//
// Each component member is {"objText", "top", "left", "height", "width"}, or
// empty for a component that shows nothing in the browser.
function standartWidget(top, left, height, width, transparent, components) {
  this.element = document.createElement('div');
  this.element.className = transparent ? 'standart-widget transparent' : 'standart-widget';
  standartWidget.place(this.element, top, left, height, width);
  this.components = [];

  var members = components && typeof components === 'object' ? components : {};
  // Without components the panel shows only a frame; so does the browser.
  if (!Object.prototype.hasOwnProperty.call(members, '0'))
    this.element.classList.add('no-components');
  // Index-keyed: the list ends at the first missing index.
  for (var i = 0; Object.prototype.hasOwnProperty.call(members, String(i)); ++i) {
    var member = members[String(i)];
    var entry = { object: null, element: null };
    this.components.push(entry);
    if (!member || typeof member.objText !== 'string' || member.objText === '')
      continue;
    entry.element = document.createElement('div');
    entry.element.className = 'component';
    standartWidget.place(entry.element, member.top, member.left, member.height, member.width);
    this.element.appendChild(entry.element);
    try {
      entry.object = WebObjectText.construct(WebObjectText.parse(member.objText));
    } catch (error) {
      console.warn('component ' + i + ' left empty: ' + error.message);
      continue;
    }
    if (entry.object && entry.object.element instanceof Node)
      entry.element.appendChild(entry.object.element);
  }
}

standartWidget.place = function (element, top, left, height, width) {
  element.style.top = (Number(top) || 0) + 'px';
  element.style.left = (Number(left) || 0) + 'px';
  element.style.height = Math.max(0, Number(height) || 0) + 'px';
  element.style.width = Math.max(0, Number(width) || 0) + 'px';
};

// The widget's part of a data exchange: {"comp": {"<index>": reply}} hands
// each reply to the object of that component.
standartWidget.prototype.setWebData = function (data) {
  var replies = data && typeof data.comp === 'object' && data.comp !== null ? data.comp : {};
  var components = this.components;
  Object.keys(replies).forEach(function (key) {
    if (!/^\d+$/.test(key))
      return;
    var entry = components[Number(key)];
    if (entry && entry.object && typeof entry.object.setWebValue === 'function')
      entry.object.setWebValue(replies[key]);
  });
};
