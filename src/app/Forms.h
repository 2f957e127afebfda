#pragma once

class TForm1;
class TFormFBDB;
class TFormSet;
class TForm7;
class TFormNo;
class TFormGSearch;
class TFormSearch;
class TFormEditor;
class TForm1c;
class TForm6;
class TForm1a;
class TForm8;
class TForm3;
class TForm1b;
class TForm5;
class TForm4;
class TForm2;

// The 17 windows of the process, created once at start-up in this order and
// never destroyed before the process ends.
struct Forms {
    TForm1* Form1 = nullptr;
    TFormFBDB* FormFBDB = nullptr;
    TFormSet* FormSet = nullptr;
    TForm7* Form7 = nullptr;
    TFormNo* FormNo = nullptr;
    TFormGSearch* FormGSearch = nullptr;
    TFormSearch* FormSearch = nullptr;
    TFormEditor* FormEditor = nullptr;
    TForm1c* Form1c = nullptr;
    TForm6* Form6 = nullptr;
    TForm1a* Form1a = nullptr;
    TForm8* Form8 = nullptr;
    TForm3* Form3 = nullptr;
    TForm1b* Form1b = nullptr;
    TForm5* Form5 = nullptr;
    TForm4* Form4 = nullptr;
    TForm2* Form2 = nullptr;
};

// The process's windows (all null before CreateForms).
Forms& forms();

// Creates the 17 windows hidden, in the order above. Called once per run.
void CreateForms();

// Destroys them in the opposite order, without running any close handler
// (the end of the process; tests use it to start a second run).
void DestroyForms();
