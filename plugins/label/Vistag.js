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
    }
    this.setWebValue(webValue);
}

// A value the exchange does not carry (a static label) leaves the label as it is.
Vistag.prototype.setWebValue = function (webValue) {
    if (webValue === null || typeof webValue !== 'object')
        return;
    if (typeof webValue.t === 'string')
        this.text = webValue.t;
    if (typeof webValue.c === 'string')
        this.color = webValue.c;
    if (this.element) {
        this.element.textContent = this.text;
        this.element.style.color = this.color;
    }
};
