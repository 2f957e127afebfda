#include "app/Forms.h"

#include "app/Unit1.h"
#include "app/UnitSet.h"
#include "app/UnreadViews.h"
#include "choosers/Unit1a.h"
#include "choosers/Unit1b.h"
#include "choosers/Unit1c.h"
#include "db/UnitFBDB.h"
#include "editor/UnitEditor.h"
#include "memo/Unit2.h"
#include "memo/Unit3.h"
#include "memo/Unit4.h"
#include "memo/Unit5.h"
#include "memo/Unit6.h"
#include "memo/Unit7.h"
#include "memo/Unit8.h"
#include "memo/UnitNo.h"
#include "memo/UnitSearch.h"
#include "search/UnitGSearch.h"

Forms& forms() {
    static Forms instance;
    return instance;
}

void CreateForms() {
    Forms& f = forms();
    f.Form1 = new TForm1;
    f.FormFBDB = new TFormFBDB;
    f.FormSet = new TFormSet;
    f.Form7 = new TForm7;
    f.FormNo = new TFormNo;
    f.FormGSearch = new TFormGSearch;
    f.FormSearch = new TFormSearch;
    f.FormEditor = new TFormEditor;
    f.Form1c = new TForm1c;
    f.Form6 = new TForm6;
    f.Form1a = new TForm1a;
    f.Form8 = new TForm8;
    f.Form3 = new TForm3;
    f.Form1b = new TForm1b;
    f.Form5 = new TForm5;
    f.Form4 = new TForm4;
    f.Form2 = new TForm2;
    AttachUnreadViews(f);
}

namespace {

template <typename T> void destroy(T*& window) {
    delete window;
    window = nullptr;
}

} // namespace

void DestroyForms() {
    Forms& f = forms();
    destroy(f.Form2);
    destroy(f.Form4);
    destroy(f.Form5);
    destroy(f.Form1b);
    destroy(f.Form3);
    destroy(f.Form8);
    destroy(f.Form1a);
    destroy(f.Form6);
    destroy(f.Form1c);
    destroy(f.FormEditor);
    destroy(f.FormSearch);
    destroy(f.FormGSearch);
    destroy(f.FormNo);
    destroy(f.Form7);
    destroy(f.FormSet);
    destroy(f.FormFBDB);
    destroy(f.Form1);
}
