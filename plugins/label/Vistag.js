// Browser side of the label component: the constructor text that the program
// sends creates one of these, and each later data exchange hands it the
// label's current text and colour.
//
//   new Vistag(fontSize, fontFamily, fontWeight, {t: text, c: colour})
//
// The element shows the text as text, never as markup.
function Vistag(fontSize, fontFamily, fontWeight, webValue) {
    this.fontSize = fontSize;
    this.fontFamily = fontFamily;
    this.fontWeight = fontWeight;
    this.text = '';
    this.color = '';
    this.element = null;
    this.textNode = null;
    // What the element's style was last given: the style reads colours back
    // in its own form, so the answer's form is kept for comparing.
    this.shownColor = '';
    if (typeof document !== 'undefined') {
        // The browser client names the panel's fonts in CSS's terms.
        var font = typeof QtFont !== 'undefined' ? QtFont : null;
        this.element = document.createElement('div');
        this.element.style.fontSize = (font && font.size(fontSize)) || fontSize;
        this.element.style.fontFamily = font ? font.family(fontFamily) : fontFamily;
        this.element.style.fontWeight = fontWeight;
        this.element.style.whiteSpace = 'pre';
        // As the panel's label: as high as its text or its box, whichever
        // is less, with the text centred in that height.
        this.element.style.display = 'flex';
        this.element.style.alignItems = 'center';
        this.element.style.maxHeight = '100%';
        // One text node for the label's life: a new text changes its data
        // instead of replacing the node.
        this.textNode = document.createTextNode('');
        this.element.appendChild(this.textNode);
    }
    this.setWebValue(webValue);
}

// A value the exchange does not carry (a static label) leaves the label as it
// is. Most exchanges repeat what the label shows; writing it again anyway
// would make the page lay out and paint every label each time, so only what
// differs is written.
Vistag.prototype.setWebValue = function (webValue) {
    if (webValue === null || typeof webValue !== 'object')
        return;
    if (typeof webValue.t === 'string')
        this.text = webValue.t;
    if (typeof webValue.c === 'string')
        this.color = webValue.c;
    if (!this.element)
        return;
    if (this.textNode.data !== this.text)
        this.textNode.data = this.text;
    if (this.shownColor !== this.color) {
        this.element.style.color = this.color;
        this.shownColor = this.color;
    }
};
