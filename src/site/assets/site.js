// The page script of a site written by piecetool site. On the index: the
// search box shows the cards whose piece name holds what is typed, without
// regard to case. Text typed through an input method counts once it is
// committed, not while it is being composed. On a piece's page: the mesh
// decoder and texture transcoder that <model-viewer> would fetch from a
// network for models that need them are looked for inside the site instead.
// The site's models need neither, and the pages' policy allows no network.
'use strict';

(function () {
    var search = document.getElementById('search');
    if (search) {
        var cards = Array.prototype.slice.call(document.querySelectorAll('.piece'));
        var noMatch = document.getElementById('no-match');
        var filter = function () {
            var wanted = search.value.toLowerCase();
            var shown = 0;
            cards.forEach(function (card) {
                var hit = card.getAttribute('data-name').toLowerCase().indexOf(wanted) >= 0;
                card.hidden = !hit;
                shown += hit ? 1 : 0;
            });
            noMatch.hidden = shown > 0 || cards.length === 0;
        };
        search.addEventListener('input', function (event) {
            if (!event.isComposing) {
                filter();
            }
        });
        search.addEventListener('compositionend', filter);
        filter();
    }

    var ModelViewer = window.customElements && window.customElements.get('model-viewer');
    if (ModelViewer) {
        ModelViewer.dracoDecoderLocation = 'decoders/';
        ModelViewer.ktx2TranscoderLocation = 'decoders/';
    }
}());
